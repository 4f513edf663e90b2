#pragma once
// The presenter's UDP link over the window's socket component.

#include "device/LinkPorts.h"
#include "net/TcmSocket.h"

namespace lumiq {

class SocketUdpLink final : public UdpLink {
public:
    explicit SocketUdpLink(TcmSocket& socket) : socket_(socket) {}

    bool active() const override;
    void setActive(bool active) override;
    // One datagram holding exactly `bytes`, zero bytes included.
    void sendTo(std::uint32_t address, std::uint16_t port, const std::string& bytes) override;
    void sendFrom(std::uint32_t address, std::uint16_t port, const std::string& bytes, std::uint32_t source,
                  unsigned ifindex) override;

private:
    TcmSocket& socket_;
};

} // namespace lumiq
