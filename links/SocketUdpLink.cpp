#include "links/SocketUdpLink.h"

#include <climits>

namespace lumiq {

bool SocketUdpLink::active() const {
    return socket_.Active();
}

void SocketUdpLink::setActive(bool active) {
    socket_.SetActive(active);
}

void SocketUdpLink::sendTo(std::uint32_t address, std::uint16_t port, const std::string& bytes) {
    // No datagram is that long; a length that does not fit would be cut.
    if (bytes.size() > INT_MAX)
        return;
    // Length 0 would mean "up to the first zero byte", which for an empty
    // text is also nothing.
    socket_.SendTo(address, port, bytes.data(), static_cast<int>(bytes.size()));
}

void SocketUdpLink::sendFrom(std::uint32_t address, std::uint16_t port, const std::string& bytes,
                             std::uint32_t source, unsigned ifindex) {
    if (bytes.size() > INT_MAX)
        return;
    socket_.SendFrom(address, port, bytes.data(), static_cast<int>(bytes.size()), source, ifindex);
}

} // namespace lumiq
