#pragma once
// What the multi-module engine needs from the outside world. The command
// line front end implements it with the socket component; tests with fakes.

#include <cstdint>
#include <string>

#include "device/AdapterRoute.h"

namespace lumiq::fleet {

// Milliseconds on a monotonic clock; the engine never reads a clock itself.
using Millis = std::int64_t;

// How frames reach one module: through the adapter its reply arrived on,
// from that adapter's address, with that adapter's MAC text as the sender
// field of the envelope.
using Route = AdapterRoute;

// Where a datagram came from, as the socket's packet info tells it.
struct Arrival {
    std::uint32_t peerIp = 0; // network order
    std::uint16_t peerPort = 0;
    unsigned ifindex = 0;
    bool broadcast = false; // sent to a broadcast address, not to ours
};

class DatagramPort {
public:
    virtual ~DatagramPort() = default;
    // One datagram to `destination` (network order), port 5000, leaving
    // through the route's adapter. A failed send is the port's business: the
    // reply simply never comes.
    virtual void send(const Route& route, std::uint32_t destination, const std::string& bytes) = 0;
};

} // namespace lumiq::fleet
