#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <poll.h>

#include <chrono>

#include "net/ArpSocket.h"
#include "tests/support/Netns.h"

namespace lumiq {
namespace {

// This namespace's adapter probes for the address another namespace holds
// across a veth pair: the other kernel answers, and only that answer is
// heard (our own probe going out is not).
TEST(ArpSocket, AProbeForAHeldAddressHearsItsHoldersAnswer) {
    ASSERT_TRUE(testbed::InPrivateNetns()) << "run through scripts/in-netns";
    const testbed::Namespace holder("lqarp");
    testbed::AddVeth("lqa0", "10.98.0.1/24", holder, "lqa1", "10.98.0.2/24");
    testbed::Run("ip link set lqa0 address 02:1A:00:00:00:01");
    holder.ip("link set lqa1 address 02:1a:00:00:00:02");
    const unsigned adapter = if_nametoindex("lqa0");

    ArpSocket arp;
    EXPECT_EQ(arp.macOf(adapter), "02:1a:00:00:00:01");
    EXPECT_EQ(arp.macOf(0), "");
    const std::uint32_t held = inet_addr("10.98.0.2");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::vector<ArpPacket> heard;
    bool answered = false;
    // A probe again every 200 ms: the first may go out before the link carries.
    while (!answered && std::chrono::steady_clock::now() < deadline) {
        ASSERT_TRUE(arp.sendProbe(adapter, held));
        pollfd watch{arp.fd(), POLLIN, 0};
        if (poll(&watch, 1, 200) <= 0)
            continue;
        for (const ArpPacket& packet : arp.receive()) {
            heard.push_back(packet);
            answered |= !packet.request && packet.senderIp == held && packet.ifindex == adapter &&
                        packet.senderMac == "02:1a:00:00:00:02";
        }
    }
    EXPECT_TRUE(answered);
    for (const ArpPacket& packet : heard)
        EXPECT_NE(packet.senderMac, "02:1a:00:00:00:01");
}

TEST(ArpSocket, OnlyWholeEthernetIpv4ArpIsRead) {
    unsigned char reply[28] = {0, 1, 8, 0, 6, 4, 0, 2, 2, 0xAB, 0, 0, 0, 9, 10, 1, 0, 7};
    const std::optional<ArpPacket> packet = ParseArpPacket(reply, sizeof reply, 4);
    ASSERT_TRUE(packet);
    EXPECT_FALSE(packet->request);
    EXPECT_EQ(packet->senderMac, "02:ab:00:00:00:09");
    EXPECT_EQ(packet->senderIp, inet_addr("10.1.0.7"));
    EXPECT_EQ(packet->ifindex, 4U);
    EXPECT_FALSE(ParseArpPacket(reply, 27, 4));
    reply[7] = 3; // a reverse ARP request
    EXPECT_FALSE(ParseArpPacket(reply, sizeof reply, 4));
    reply[7] = 1;
    reply[4] = 8; // a hardware address of another length
    EXPECT_FALSE(ParseArpPacket(reply, sizeof reply, 4));
}

} // namespace
} // namespace lumiq
