// Two adapters, each a veth link into a namespace of its own that plays the
// modules behind it:
//   lqa 10.76.0.1/24  <->  10.76.0.2  namespace A
//   lqb 10.77.0.1/16  <->  10.77.0.2  namespace B
// The host side has no default route, like a machine on isolated LANs.

#include <gtest/gtest.h>

#include <net/if.h>
#include <sys/socket.h>

#include <map>

#include "net/AdapterList.h"
#include "net/TcmSocket.h"
#include "tests/net/NetTestSupport.h"
#include "tests/support/Netns.h"

namespace lumiq {
namespace {

using nettest::Ip;
using nettest::PlainSocket;
using nettest::WaitFor;

constexpr std::uint16_t kPort = 5000;

class AdapterRoutingTest : public ::testing::Test {
protected:
    AdapterRoutingTest() {
        testbed::AddVeth("lqa", "10.76.0.1/24", a_, "lqma", "10.76.0.2/24");
        testbed::AddVeth("lqb", "10.77.0.1/16", b_, "lqmb", "10.77.0.2/16");
        testbed::Run("ip link set lqa address 02:00:00:00:0a:01");
        testbed::Run("ip link set lqb address 02:00:00:00:0b:01");
        // The modules answer by limited broadcast, which needs a route out.
        a_.ip("route add default dev lqma");
        b_.ip("route add default dev lqmb");
        for (PlainSocket* module : {&moduleA_, &moduleB_}) {
            module->bind("0.0.0.0", kPort);
            module->enableBroadcast();
        }
        // Bound to every address and standing for the first adapter, as the
        // window's link is.
        socket_.BindAnyAddress = true;
        socket_.ReceivePacketInfo = true;
        socket_.LocalHost = "10.76.0.1";
        socket_.LocalPort = kPort;
        socket_.SetBufferSize(65535);
        socket_.OnReceive = [this](TcmSocket& sender, int, std::uint16_t, std::uint32_t, const char* data,
                                   int length) {
            receipts_[std::string(data, length)] = sender.LastReceipt();
        };
        socket_.SetActive(true);
    }
    ~AdapterRoutingTest() override {
        [[maybe_unused]] const int status = std::system(
            "ip link del lqa 2>/dev/null; ip link del lqb 2>/dev/null"); // a clean-up that may find nothing
    }

    testbed::Namespace a_{"lqnsa"};
    testbed::Namespace b_{"lqnsb"};
    PlainSocket moduleA_{a_.openSocket(AF_INET, SOCK_DGRAM)};
    PlainSocket moduleB_{b_.openSocket(AF_INET, SOCK_DGRAM)};
    TcmSocket socket_;
    std::map<std::string, ReceiptInfo> receipts_;
};

TEST_F(AdapterRoutingTest, ListsBothAdaptersWithTheirFieldsAndNoLoopback) {
    const std::vector<Adapter> adapters = ListAdapters();
    ASSERT_EQ(adapters.size(), 2u);
    struct Expected {
        const char* name;
        const char* address;
        int prefix;
        const char* broadcast;
        const char* mac;
    };
    const Expected expected[] = {{"lqa", "10.76.0.1", 24, "10.76.0.255", "02:00:00:00:0a:01"},
                                 {"lqb", "10.77.0.1", 16, "10.77.255.255", "02:00:00:00:0b:01"}};
    for (std::size_t i = 0; i < 2; ++i) {
        const Adapter& adapter = adapters[i];
        EXPECT_EQ(adapter.name, expected[i].name);
        EXPECT_EQ(adapter.index, if_nametoindex(expected[i].name));
        EXPECT_EQ(adapter.address, Ip(expected[i].address));
        EXPECT_EQ(adapter.prefix, expected[i].prefix);
        EXPECT_EQ(adapter.broadcast, Ip(expected[i].broadcast));
        EXPECT_EQ(adapter.macText, expected[i].mac);
        EXPECT_TRUE(adapter.up && adapter.canBroadcast && !adapter.loopback) << adapter.name;
        EXPECT_EQ(AdapterByIndex(adapters, adapter.index), &adapter);
    }
    EXPECT_EQ(AdapterByIndex(adapters, 0), nullptr);
    EXPECT_EQ(AdapterLabel(adapters[1]), "lqb  10.77.0.1/16");
}

TEST_F(AdapterRoutingTest, ReceiptNamesTheAdapterAndTellsBroadcastFromUnicast) {
    ASSERT_TRUE(socket_.Active());
    moduleB_.sendTo("255.255.255.255", kPort, "B limited");
    moduleB_.sendTo("10.77.255.255", kPort, "B directed");
    moduleB_.sendTo("10.77.0.1", kPort, "B unicast");
    moduleA_.sendTo("10.76.0.1", kPort, "A unicast");
    ASSERT_TRUE(WaitFor([&] { return receipts_.size() == 4; })) << receipts_.size();

    const std::vector<Adapter> adapters = ListAdapters();
    struct Expected {
        const char* payload;
        const char* adapter;
        const char* destination;
        bool broadcast;
    };
    for (const Expected& e : {Expected{"B limited", "lqb", "255.255.255.255", true},
                              Expected{"B directed", "lqb", "10.77.255.255", true},
                              Expected{"B unicast", "lqb", "10.77.0.1", false},
                              Expected{"A unicast", "lqa", "10.76.0.1", false}}) {
        const ReceiptInfo& receipt = receipts_[e.payload];
        EXPECT_TRUE(receipt.known) << e.payload;
        EXPECT_EQ(receipt.ifindex, if_nametoindex(e.adapter)) << e.payload;
        EXPECT_EQ(receipt.destination, Ip(e.destination)) << e.payload;
        EXPECT_EQ(ReceiptWasBroadcast(receipt, adapters), e.broadcast) << e.payload;
    }
    // Another adapter's directed broadcast is not this one's.
    EXPECT_FALSE(ReceiptWasBroadcast({true, if_nametoindex("lqa"), Ip("10.77.255.255")}, adapters));
}

TEST_F(AdapterRoutingTest, SendFromLeavesThroughTheChosenAdapterWithItsAddress) {
    ASSERT_TRUE(socket_.Active());
    const unsigned b = if_nametoindex("lqb");
    for (const char* destination : {"255.255.255.255", "10.77.255.255"}) {
        const std::string payload = std::string("to ") + destination;
        ASSERT_TRUE(socket_.SendFrom(Ip(destination), kPort, payload.c_str(),
                                     static_cast<int>(payload.size()), Ip("10.77.0.1"), b));
        const auto datagram = moduleB_.receive();
        ASSERT_TRUE(datagram.has_value()) << destination;
        EXPECT_EQ(datagram->bytes, payload);
        EXPECT_EQ(datagram->ip, Ip("10.77.0.1"));
        EXPECT_EQ(datagram->port, kPort);
    }
    // The limited broadcast did not leave through the first adapter as well:
    // the first thing module A hears is what was sent through its own.
    ASSERT_TRUE(socket_.SendFrom(0xFFFFFFFFu, kPort, "to A", 0, Ip("10.76.0.1"), if_nametoindex("lqa")));
    const auto datagram = moduleA_.receive();
    ASSERT_TRUE(datagram.has_value());
    EXPECT_EQ(datagram->bytes, "to A");
    EXPECT_EQ(datagram->ip, Ip("10.76.0.1"));
}

} // namespace
} // namespace lumiq
