// The class-level address helpers and the choice of this computer's own
// address.

#include <gtest/gtest.h>

#include <unistd.h>

#include "net/HostAddress.h"
#include "net/TcmSocket.h"
#include "state/AddressText.h"
#include "tests/net/NetTestSupport.h"

namespace lumiq {
namespace {

using nettest::Ip;

TEST(IsValidIP, AcceptsDottedAddressesTheSystemParserTakes) {
    const std::pair<const char*, bool> cases[] = {
        {"1.2.3.4", true},    {"192.168.1.199", true},
        {"0.0.0.0", true},    {"255.255.255.255", false}, // cannot be told from the parser's failure
        {"1.2.3", false},                                 // too short
        {"", false},          {"not.an.address", false},
        {"1.2.3.256", false},
    };
    for (const auto& [text, valid] : cases)
        EXPECT_EQ(TcmSocket::isValidIP(text), valid) << text;
}

TEST(IP_UnicastToBroadcast, GivesTheClassfulBroadcastAddress) {
    const std::pair<const char*, const char*> cases[] = {
        {"127.0.0.1", "127.255.255.255"}, {"10.1.2.3", "10.255.255.255"},   {"172.16.5.9", "172.16.255.255"},
        {"191.1.1.1", "191.1.255.255"},   {"192.168.1.7", "192.168.1.255"}, {"223.1.1.1", "223.1.1.255"},
        {"224.0.0.1", "224.0.0.1"},       {"0.1.2.3", "0.1.2.3"},           {"255.1.2.3", "255.1.2.3"},
    };
    for (const auto& [unicast, broadcast] : cases)
        EXPECT_EQ(IpToText(TcmSocket::IP_UnicastToBroadcast(Ip(unicast))), broadcast) << unicast;
}

TEST(GetIpData, ParsesDottedTextsAndResolvesNames) {
    EXPECT_EQ(TcmSocket::get_ip_data("192.168.1.7", cmUnicast), Ip("192.168.1.7"));
    EXPECT_EQ(TcmSocket::get_ip_data("192.168.1.7", cmBroadcast), Ip("192.168.1.255"));
    EXPECT_EQ(TcmSocket::get_ip_data("localhost", cmUnicast), Ip("127.0.0.1"));
    EXPECT_EQ(TcmSocket::get_ip_data("no-such-host.invalid", cmUnicast), 0u);
    EXPECT_EQ(TcmSocket::BroadcastIP("10.1.2.3"), "10.255.255.255");
    EXPECT_EQ(TcmSocket::HostIP(Ip("10.1.2.3")), "10.1.2.3");
}

TEST(HostIP, AllOnesMeansThisComputersOwnAddress) {
    EXPECT_EQ(TcmSocket::HostIP(0xFFFFFFFFu), IpToText(TcmSocket::get_ip_data("", cmUnicast)));
    char name[256] = {};
    ASSERT_EQ(gethostname(name, sizeof name - 1), 0);
    EXPECT_EQ(TcmSocket::HostName(), name);
}

// This test runs in a private namespace whose only adapter is loopback: with
// no adapter to fall back to, the resolved address stays.
TEST(GetIpData, KeepsTheResolvedAddressWhenNoAdapterCanBroadcast) {
    const auto resolved = ResolveFirstIpv4(TcmSocket::HostName());
    ASSERT_TRUE(resolved.has_value());
    EXPECT_EQ(TcmSocket::get_ip_data("", cmUnicast), *resolved);
}

Adapter Entry(const char* address, bool up, bool canBroadcast, bool loopback = false) {
    Adapter adapter;
    adapter.address = Ip(address);
    adapter.up = up;
    adapter.canBroadcast = canBroadcast;
    adapter.loopback = loopback;
    return adapter;
}

TEST(ChooseLocalAddress, FallsBackToTheFirstAdapterThatCanBroadcast) {
    const std::vector<Adapter> adapters = {
        Entry("127.0.0.1", true, false, true), Entry("10.0.0.1", false, true), // down
        Entry("10.8.0.1", true, false), // point-to-point: cannot broadcast
        Entry("192.168.1.5", true, true),      Entry("192.168.2.5", true, true),
    };
    struct Case {
        const char* resolved;
        const char* chosen;
    };
    const Case cases[] = {
        {"127.0.1.1", "192.168.1.5"},   // Debian's entry for the host name
        {"127.0.0.1", "192.168.1.5"},   // loopback even though an adapter holds it
        {"192.168.2.5", "192.168.2.5"}, // an adapter's own address stays
        {"10.8.0.1", "10.8.0.1"},       // held, and not loopback
        {"172.20.0.9", "192.168.1.5"},  // stale entry: no adapter holds it
        {"0.0.0.0", "192.168.1.5"},     // the host name did not resolve
    };
    for (const auto& c : cases)
        EXPECT_EQ(IpToText(ChooseLocalAddress(Ip(c.resolved), adapters)), c.chosen) << c.resolved;
}

TEST(ChooseLocalAddress, KeepsTheResolvedAddressWithoutAUsableAdapter) {
    const std::vector<Adapter> adapters = {Entry("127.0.0.1", true, false, true),
                                           Entry("10.0.0.1", false, true)};
    EXPECT_EQ(ChooseLocalAddress(Ip("127.0.1.1"), adapters), Ip("127.0.1.1"));
    EXPECT_EQ(ChooseLocalAddress(Ip("172.20.0.9"), {}), Ip("172.20.0.9"));
}

} // namespace
} // namespace lumiq
