// ARP packets as the packet socket hands them over: any bytes of any length.
// What parses is weighed by the address probe, which must never take a
// packet that does not name the address it probes for a conflict.

#include <cstddef>
#include <cstdint>

#include "fleet/AddressProbe.h"
#include "fuzz/FuzzSupport.h"
#include "net/ArpSocket.h"

namespace {

class NoPort final : public lumiq::fleet::ProbePort {
public:
    void sendProbe(unsigned, std::uint32_t) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto packet = lumiq::ParseArpPacket(data, size, 2);
    if (!packet)
        return 0;
    NoPort port;
    lumiq::fleet::AddressProbe probe(port, {}, {"02:00:00:00:00:01"});
    constexpr std::uint32_t kProbed = 0x0302010a; // 10.1.2.3, network order
    probe.start(2, kProbed, 0);
    probe.onArp(*packet, 1);
    const bool names = packet->senderIp == kProbed || (packet->senderIp == 0 && packet->targetIp == kProbed);
    if (probe.verdict(2, kProbed) == lumiq::fleet::ProbeVerdict::Taken)
        lumiq::fuzz::Require(names, "only a packet naming the address takes it");
    return 0;
}
