#pragma once
// The simulator's one UDP socket: bound to 0.0.0.0 on the module port, so
// that it receives the tool's broadcasts for every simulated module, and
// sending each reply from the replying module's own address (IP_PKTINFO),
// each module address being an alias on the LAN adapter.

#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sim/UniqueFd.h"

namespace lumiq::sim {

struct ReceivedDatagram {
    std::string bytes;
    sockaddr_in peer{};
    in_addr destination{}; // where it was sent: a broadcast address or one of ours
    int ifindex = 0;       // the adapter it came in on
};

class UdpLink {
public:
    // Throws when the port cannot be bound.
    explicit UdpLink(std::uint16_t port);

    int fd() const { return fd_.get(); }
    std::uint16_t port() const { return port_; }

    // The next waiting datagram, nothing when none is waiting; never blocks.
    std::optional<ReceivedDatagram> receive();

    // Sends from `source` (INADDR_ANY: the kernel's choice) out of adapter
    // `ifindex` (0: by route) to `to`. Returns 0 or the errno of the failure.
    // A limited broadcast with no default route needs the adapter index.
    int send(std::string_view bytes, const sockaddr_in& to, in_addr source, int ifindex);

private:
    UniqueFd fd_;
    std::uint16_t port_;
};

} // namespace lumiq::sim
