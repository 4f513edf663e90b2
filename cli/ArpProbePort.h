#pragma once
// The station's ARP probes on the command line: the raw ARP socket
// (net/ArpSocket.h), watched on the Qt loop, every packet heard handed on.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fleet/AddressProbe.h"
#include "net/ArpSocket.h"

class QSocketNotifier;

namespace lumiq::cli {

class ArpProbePort final : public fleet::ProbePort {
public:
    using Receiver = std::function<void(const fleet::ArpHeard& heard)>;

    // Throws Unusable with the socket's reason (no CAP_NET_RAW, ...).
    ArpProbePort();
    ~ArpProbePort() override;

    void sendProbe(unsigned ifindex, std::uint32_t address) override;
    // Packets go here while the receiver is set.
    void setReceiver(Receiver receiver) { receiver_ = std::move(receiver); }

private:
    void onReadable();

    std::unique_ptr<ArpSocket> socket_;
    std::unique_ptr<QSocketNotifier> notifier_;
    Receiver receiver_;
};

// For --no-probe: sends nothing, and so every address is free once the
// probe's waits are over; the station is told not to probe at all.
class NoProbes final : public fleet::ProbePort {
public:
    void sendProbe(unsigned, std::uint32_t) override {}
};

} // namespace lumiq::cli
