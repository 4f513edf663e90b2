#include "fleet/AddressProbe.h"

#include <algorithm>
#include <utility>

#include "base/AsciiText.h"

namespace lumiq::fleet {
namespace {

// What any ARP packet says about `address`: it is held (or being claimed) by
// its sender when the sender speaks from it, or probes for it as we do.
bool ClaimsAddress(const ArpHeard& heard, std::uint32_t address) {
    if (heard.senderIp == address)
        return true;
    return heard.request && heard.senderIp == 0 && heard.targetIp == address;
}

} // namespace

AddressProbe::AddressProbe(ProbePort& port, ProbeOptions options, std::vector<std::string> ownMacs)
    : port_(port), options_(options), ownMacs_(std::move(ownMacs)) {
    // At least one probe, and no wait that runs backwards.
    options_.probes = std::max(options_.probes, 1);
    options_.intervalMs = std::max(options_.intervalMs, 0);
    options_.lastWaitMs = std::max(options_.lastWaitMs, 0);
    for (std::string& mac : ownMacs_)
        mac = AsciiLowered(mac);
}

AddressProbe::Probe* AddressProbe::find(unsigned ifindex, std::uint32_t address) {
    for (Probe& probe : probes_)
        if (probe.ifindex == ifindex && probe.address == address)
            return &probe;
    return nullptr;
}

const AddressProbe::Probe* AddressProbe::find(unsigned ifindex, std::uint32_t address) const {
    for (const Probe& probe : probes_)
        if (probe.ifindex == ifindex && probe.address == address)
            return &probe;
    return nullptr;
}

void AddressProbe::start(unsigned ifindex, std::uint32_t address, Millis now) {
    Probe* probe = find(ifindex, address);
    if (probe != nullptr && probe->verdict == ProbeVerdict::Pending)
        return;
    if (probe == nullptr)
        probe = &probes_.emplace_back();
    // A verdict once given is asked again from the start: the LAN may have changed.
    *probe = Probe{ifindex, address, 0, now, ProbeVerdict::Pending, {}};
    advance(now);
}

void AddressProbe::onArp(const ArpHeard& heard, Millis now) {
    const std::string sender = AsciiLowered(heard.senderMac);
    // Our own probes come back when a switch or a second adapter of ours
    // hears them; they say nothing about anyone else.
    if (std::find(ownMacs_.begin(), ownMacs_.end(), sender) != ownMacs_.end())
        return;
    for (Probe& probe : probes_) {
        if (probe.verdict != ProbeVerdict::Pending || probe.ifindex != heard.ifindex ||
            !ClaimsAddress(heard, probe.address))
            continue;
        probe.verdict = ProbeVerdict::Taken;
        probe.holder = sender;
    }
    advance(now);
}

void AddressProbe::advance(Millis now) {
    for (Probe& probe : probes_) {
        if (probe.verdict != ProbeVerdict::Pending || now < probe.nextAt)
            continue;
        if (probe.sent == options_.probes) {
            probe.verdict = ProbeVerdict::Free;
            continue;
        }
        // One probe per wake even when the wake comes late, and the next
        // one counted from now, so that they never bunch up.
        port_.sendProbe(probe.ifindex, probe.address);
        ++probe.sent;
        probe.nextAt = now + (probe.sent < options_.probes ? options_.intervalMs : options_.lastWaitMs);
    }
}

std::optional<Millis> AddressProbe::nextWake() const {
    std::optional<Millis> wake;
    for (const Probe& probe : probes_)
        if (probe.verdict == ProbeVerdict::Pending && (!wake || probe.nextAt < *wake))
            wake = probe.nextAt;
    return wake;
}

ProbeVerdict AddressProbe::verdict(unsigned ifindex, std::uint32_t address) const {
    const Probe* probe = find(ifindex, address);
    return probe != nullptr ? probe->verdict : ProbeVerdict::Pending;
}

std::string AddressProbe::holder(unsigned ifindex, std::uint32_t address) const {
    const Probe* probe = find(ifindex, address);
    return probe != nullptr && probe->verdict == ProbeVerdict::Taken ? probe->holder : std::string();
}

void AddressProbe::forget(unsigned ifindex, std::uint32_t address) {
    std::erase_if(probes_, [&](const Probe& probe) {
        return probe.ifindex == ifindex && probe.address == address && probe.verdict != ProbeVerdict::Pending;
    });
}

} // namespace lumiq::fleet
