#pragma once
// The batch dialog's way to the modules: the window's own socket on port
// 5000, which the dialog borrows while it is open. Frames leave through the
// adapter of their route, from its address; an arrival is told with the
// adapter it came in on and whether it was broadcast.

#include <cstdint>
#include <vector>

#include "fleet/FleetPorts.h"
#include "net/AdapterList.h"

namespace lumiq {

class TcmSocket;

class BatchPort final : public fleet::DatagramPort {
public:
    // `adapters`: every adapter of the host, to tell broadcast replies and
    // our own frames coming back.
    BatchPort(TcmSocket& socket, std::vector<Adapter> adapters);

    void send(const fleet::Route& route, std::uint32_t destination, const std::string& bytes) override;

    // The datagram the socket has just handed over, from `peerIp`:`peerPort`.
    fleet::Arrival arrivalOf(std::uint32_t peerIp, std::uint16_t peerPort) const;

    // This host's own addresses: its broadcasts come back from them.
    std::vector<std::uint32_t> ownAddresses() const;
    const std::vector<Adapter>& adapters() const { return adapters_; }

private:
    TcmSocket& socket_;
    std::vector<Adapter> adapters_;
};

} // namespace lumiq
