#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <utility>
#include <vector>

#include "fleet/AddressProbe.h"

namespace lumiq::fleet {
namespace {

struct SentProbe {
    unsigned ifindex;
    std::uint32_t address;
    Millis at;
    bool operator==(const SentProbe&) const = default;
};

class RecordingPort : public ProbePort {
public:
    void sendProbe(unsigned ifindex, std::uint32_t address) override {
        sent.push_back({ifindex, address, now});
    }
    Millis now = 0;
    std::vector<SentProbe> sent;
};

const std::uint32_t kAddress = inet_addr("10.1.0.111");
const std::uint32_t kOther = inet_addr("10.1.0.112");
constexpr unsigned kAdapter = 3;

ArpHeard Heard(bool request, const char* senderIp, std::uint32_t targetIp, std::string mac,
               unsigned ifindex = kAdapter) {
    return {ifindex, request, inet_addr(senderIp), targetIp, std::move(mac)};
}

TEST(AddressProbe, ProbesAreSpacedAndSilenceMakesTheAddressFree) {
    RecordingPort port;
    AddressProbe probe(port, {3, 250, 750}, {"02:00:00:00:00:01"});
    const auto at = [&](Millis now) {
        port.now = now;
        probe.advance(now);
    };
    port.now = 1000;
    probe.start(kAdapter, kAddress, 1000);
    probe.start(kAdapter, kAddress, 1000); // a second start while pending sends nothing more
    at(1249);
    // A late wake sends one probe and counts the next from then.
    at(1400);
    EXPECT_EQ(probe.nextWake(), 1650);
    // Our own probe coming back, in any letter case, and the address's
    // owner speaking on another adapter say nothing about this LAN.
    probe.onArp(Heard(true, "0.0.0.0", kAddress, "02:00:00:00:00:01"), 1500);
    probe.onArp(Heard(false, "10.1.0.111", 0, "02:AA:00:00:00:09", kAdapter + 1), 1500);
    at(1650);
    at(2399);
    EXPECT_EQ(probe.verdict(kAdapter, kAddress), ProbeVerdict::Pending);
    at(2400);
    EXPECT_EQ(probe.verdict(kAdapter, kAddress), ProbeVerdict::Free);
    EXPECT_EQ(probe.holder(kAdapter, kAddress), "");
    EXPECT_EQ(probe.nextWake(), std::nullopt);
    const std::vector<SentProbe> expected = {
        {kAdapter, kAddress, 1000}, {kAdapter, kAddress, 1400}, {kAdapter, kAddress, 1650}};
    EXPECT_EQ(port.sent, expected);
}

TEST(AddressProbe, AnAnswerOrAnotherHostsProbeMakesTheAddressTakenAtOnce) {
    RecordingPort port;
    AddressProbe probe(port, {3, 250, 750}, {"02:00:00:00:00:01"});
    probe.start(kAdapter, kAddress, 0);
    probe.start(kAdapter, kOther, 0);
    // An ordinary request for the address from a host that holds another
    // one asks, it does not claim.
    probe.onArp(Heard(true, "10.1.0.5", kAddress, "02:aa:00:00:00:05"), 10);
    EXPECT_EQ(probe.verdict(kAdapter, kAddress), ProbeVerdict::Pending);

    probe.onArp(Heard(false, "10.1.0.111", 0, "02:AA:00:00:00:09"), 20);
    probe.onArp(Heard(true, "0.0.0.0", kOther, "02:bb:00:00:00:07"), 30);
    EXPECT_EQ(probe.verdict(kAdapter, kAddress), ProbeVerdict::Taken);
    EXPECT_EQ(probe.holder(kAdapter, kAddress), "02:aa:00:00:00:09");
    EXPECT_EQ(probe.verdict(kAdapter, kOther), ProbeVerdict::Taken);
    EXPECT_EQ(probe.holder(kAdapter, kOther), "02:bb:00:00:00:07");
    probe.advance(5000);
    EXPECT_EQ(port.sent.size(), 2U); // nothing more for a taken address
    EXPECT_EQ(probe.nextWake(), std::nullopt);

    // Forgotten, it is asked again from the start.
    probe.forget(kAdapter, kAddress);
    probe.start(kAdapter, kAddress, 6000);
    EXPECT_EQ(probe.verdict(kAdapter, kAddress), ProbeVerdict::Pending);
    EXPECT_EQ(port.sent.size(), 3U);
}

} // namespace
} // namespace lumiq::fleet
