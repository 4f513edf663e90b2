#pragma once
// The address of a UNIX-domain socket at a file-system path.

#include <sys/un.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace lumiq::sim {

// Throws when the path does not fit sun_path.
inline sockaddr_un UnixAddress(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        throw std::runtime_error("control socket path must be 1 to " +
                                 std::to_string(sizeof address.sun_path - 1) + " bytes: " + path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

} // namespace lumiq::sim
