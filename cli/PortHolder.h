#pragma once
// Who holds a local UDP port: the program names that /proc tells about the
// sockets bound to it, so that "port 5000 taken" can say what to close.

#include <cstdint>
#include <string>

namespace lumiq::cli {

// "lumiq-config (pid 1234)", several joined by ", "; empty when /proc does
// not tell (another user's program, when not run as root).
std::string UdpPortHolders(std::uint16_t port);

}  // namespace lumiq::cli
