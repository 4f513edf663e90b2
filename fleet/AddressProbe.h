#pragma once
// Before an address is given to a module, the LAN of the adapter it will
// live on is asked whether anybody holds it, the way IPv4 address conflict
// detection does (RFC 5227): ARP requests for the address with a sender
// address of 0.0.0.0, so that no host's neighbour table learns anything,
// and a wait for anyone who answers for it. An address is taken when any
// ARP packet on that adapter comes from it (an answer, or that host's own
// traffic), or when another host probes for it at the same time.
//
// The standard's waits are seconds long because a host claims an address for
// itself on an unknown network; a line station hands out addresses of its
// own pool on its own wired LAN, so the probes go faster (ProbeOptions).
//
// Like the engine, it never blocks and never reads a clock.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/ArpPacket.h"
#include "fleet/FleetPorts.h"

namespace lumiq::fleet {

// Sends one ARP probe for `address` (network order) out of adapter `ifindex`.
class ProbePort {
public:
    virtual ~ProbePort() = default;
    virtual void sendProbe(unsigned ifindex, std::uint32_t address) = 0;
};

using ArpHeard = ArpPacket;

struct ProbeOptions {
    int probes = 3;       // ARP requests per address
    int intervalMs = 250; // between them
    int lastWaitMs = 750; // after the last one
};

enum class ProbeVerdict : unsigned char { Pending, Free, Taken };

class AddressProbe {
public:
    // `ownMacs`: the adapters' own MAC texts, whose probes come back to us.
    AddressProbe(ProbePort& port, ProbeOptions options, std::vector<std::string> ownMacs);

    // Starts probing `address` on `ifindex`; a second start for one address
    // and adapter while it is pending does nothing.
    void start(unsigned ifindex, std::uint32_t address, Millis now);
    void onArp(const ArpHeard& heard, Millis now);
    void advance(Millis now);
    std::optional<Millis> nextWake() const;

    ProbeVerdict verdict(unsigned ifindex, std::uint32_t address) const;
    // The MAC text that answered for a taken address ("" otherwise).
    std::string holder(unsigned ifindex, std::uint32_t address) const;
    // Forgets a probe whose verdict was taken.
    void forget(unsigned ifindex, std::uint32_t address);

private:
    struct Probe {
        unsigned ifindex = 0;
        std::uint32_t address = 0;
        int sent = 0;
        Millis nextAt = 0;
        ProbeVerdict verdict = ProbeVerdict::Pending;
        std::string holder;
    };
    Probe* find(unsigned ifindex, std::uint32_t address);
    const Probe* find(unsigned ifindex, std::uint32_t address) const;

    ProbePort& port_;
    ProbeOptions options_;
    std::vector<std::string> ownMacs_;
    std::vector<Probe> probes_;
};

} // namespace lumiq::fleet
