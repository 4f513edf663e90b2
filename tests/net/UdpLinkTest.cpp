// The UDP link as the window sets it up, against a module played by a plain
// socket in a namespace of its own, joined to ours by a veth pair:
//   our namespace  lqh<n> 10.77.0.1/24  <->  lqm<n> 10.77.0.2/24  module namespace
// Our side has no default route, like a machine on an isolated LAN.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/socket.h>

#include <set>

#include "links/SocketUdpLink.h"
#include "links/UdpLinkSetup.h"
#include "net/HostAddress.h"
#include "state/AddressText.h"
#include "tests/net/NetTestSupport.h"
#include "tests/support/Netns.h"

namespace lumiq {
namespace {

using nettest::EventLog;
using nettest::ExpectAddressInUseReports;
using nettest::Ip;
using nettest::PlainSocket;
using nettest::WaitFor;

constexpr const char* kHostMac = "02:11:22:33:44:55";

UdpLinkHandlers HandlersOf(EventLog& log, TcmSocket& socket) {
    log.wire(socket);
    return {socket.OnReceive, socket.OnAccept, socket.OnActiveChanged, socket.OnDiscard, socket.OnError};
}

class UdpLinkTest : public ::testing::Test {
protected:
    UdpLinkTest() {
        static int counter = 0;
        const std::string n = std::to_string(counter++);
        hostIf_ = "lqh" + n;
        testbed::AddVeth(hostIf_, "10.77.0.1/24", module_, "lqm" + n, "10.77.0.2/24");
        testbed::Run("ip link set " + hostIf_ + " address " + kHostMac);
        // The module answers by broadcast, which needs a route out on its side.
        module_.ip("route add default dev lqm" + n);
        moduleSocket_.bind("0.0.0.0", kModulePort);
        moduleSocket_.enableBroadcast();
    }
    ~UdpLinkTest() override {
        [[maybe_unused]] const int status = std::system(("ip link del " + hostIf_ + " 2>/dev/null").c_str());
    }

    void setUp() {
        SetUpUdpLink(socket, HandlersOf(log, socket), state);
        ASSERT_TRUE(socket.Active());
    }
    PlainSocket& module() { return moduleSocket_; }

    testbed::Namespace module_{"lqmod"};
    std::string hostIf_;
    PlainSocket moduleSocket_{module_.openSocket(AF_INET, SOCK_DGRAM)};
    TcmSocket socket;
    EventLog log;
    ToolState state;
};

TEST_F(UdpLinkTest, LocalAddressFallsBackToTheAdapterWhenTheNameIsLoopback) {
    // This machine's name resolves to loopback, or to an address no adapter of
    // this private namespace holds: either way the veth adapter is taken.
    EXPECT_EQ(TcmSocket::get_ip_data("", cmUnicast), Ip("10.77.0.1"));
    EXPECT_EQ(TcmSocket::HostIP(0xFFFFFFFFu), "10.77.0.1");
}

TEST_F(UdpLinkTest, SetUpBindsPort5000AndFillsTheToolState) {
    setUp();
    EXPECT_EQ(state.LocalIp, Ip("10.77.0.1"));
    EXPECT_EQ(state.LocalIpText, "10.77.0.1");
    EXPECT_EQ(state.LocalMacText, kHostMac);
    EXPECT_EQ(socket.LocalHost, "10.77.0.1");
    EXPECT_EQ(socket.LocalPort, 5000);
    EXPECT_EQ(socket.MaxBufSize(), 65535);
    EXPECT_EQ(socket.Protocol, cmUDP);

    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    ASSERT_EQ(getsockname(socket.Socket(), reinterpret_cast<sockaddr*>(&bound), &length), 0);
    EXPECT_EQ(bound.sin_addr.s_addr, INADDR_ANY); // so that broadcast replies arrive
    EXPECT_EQ(ntohs(bound.sin_port), 5000);
    int broadcast = 0;
    length = sizeof broadcast;
    getsockopt(socket.Socket(), SOL_SOCKET, SO_BROADCAST, &broadcast, &length);
    EXPECT_EQ(broadcast, 1);

    ShutDownUdpLink(socket);
    EXPECT_FALSE(socket.Active());
    EXPECT_TRUE(log.reports.empty());
}

TEST_F(UdpLinkTest, FrameReachesTheModuleByteForByteFromLocalIp) {
    setUp();
    SocketUdpLink link(socket);
    // A GBK name with a zero byte inside: the length counts, not the text.
    const std::string command("AT+NAME=\xc9\xe8\0x\r\n", 14);
    const std::string frame = std::string("<00:1a:2b:3c:4d:5e>,<") + kHostMac + ">," + command;
    link.sendTo(0xFFFFFFFFu, kModulePort, frame);
    const auto datagram = module().receive();
    ASSERT_TRUE(datagram.has_value());
    EXPECT_EQ(datagram->bytes, frame);
    EXPECT_EQ(datagram->ip, Ip("10.77.0.1"));
    EXPECT_EQ(datagram->port, 5000);
}

TEST_F(UdpLinkTest, BroadcastAndUnicastRepliesBothArriveWithTheirSender) {
    setUp();
    module().sendTo("255.255.255.255", 5000, "<00:1a:2b:3c:4d:5e>,OK\r\n");
    module().sendTo("10.77.0.1", 5000, "<00:1a:2b:3c:4d:5e>,+MODEL=2\r\n");
    ASSERT_TRUE(WaitFor([&] { return log.receipts.size() == 2; }));
    std::set<std::string> payloads;
    for (const auto& receipt : log.receipts) {
        EXPECT_EQ(receipt.ip, Ip("10.77.0.2"));
        EXPECT_EQ(receipt.port, 5000);
        payloads.insert(receipt.data);
    }
    EXPECT_EQ(payloads,
              (std::set<std::string>{"<00:1a:2b:3c:4d:5e>,OK\r\n", "<00:1a:2b:3c:4d:5e>,+MODEL=2\r\n"}));
}

// The receive handler recognises the tool's own broadcasts by their sender.
TEST_F(UdpLinkTest, OwnBroadcastComesBackFromLocalIp) {
    setUp();
    const std::string search = std::string("<00:00:00:00:00:00>,<") + kHostMac + ">,AT\r\n";
    ASSERT_TRUE(socket.SendTo(0xFFFFFFFFu, kModulePort, search.c_str(), static_cast<int>(search.size())));
    ASSERT_TRUE(WaitFor([&] { return !log.receipts.empty(); }));
    EXPECT_EQ(log.receipts[0].ip, state.LocalIp);
    EXPECT_EQ(log.receipts[0].port, 5000);
    EXPECT_EQ(log.receipts[0].data, search);
}

// Every module answers a search at once while the window may be busy; the
// kernel must keep the whole burst until the loop reads again.
TEST_F(UdpLinkTest, BurstOf512RepliesIsKeptWhileNotReading) {
    setUp();
    EXPECT_GE(socket.GrantedReceiveBuffer(), 2 * kLinkKernelReceiveBuffer); // root may force it

    constexpr int kBurst = 512;
    for (int i = 0; i < kBurst; ++i) {
        char reply[40];
        std::snprintf(reply, sizeof reply, "<02:00:00:00:%02x:%02x>,OK\r\n", i / 256, i % 256);
        module().sendTo(i % 2 == 0 ? "10.77.0.1" : "255.255.255.255", 5000, reply);
    }
    ASSERT_TRUE(WaitFor([&] { return log.receipts.size() >= kBurst; }, std::chrono::seconds(20)))
        << log.receipts.size() << " of " << kBurst;
    std::set<std::string> distinct;
    for (const auto& receipt : log.receipts)
        distinct.insert(receipt.data);
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kBurst));
}

// Another program holds the port: the window opens all the same, with the
// socket inactive and the failure only reported to the (ignoring) handler.
TEST(UdpLinkPortTaken, SocketStaysInactiveAndTheFailureIsReportedInOrder) {
    PlainSocket holder = PlainSocket::Udp();
    holder.bind("0.0.0.0", kModulePort);
    TcmSocket socket;
    EventLog log;
    ToolState state;
    SetUpUdpLink(socket, HandlersOf(log, socket), state);

    EXPECT_FALSE(socket.Active());
    EXPECT_EQ(socket.Socket(), -1);
    ExpectAddressInUseReports(log);
    EXPECT_EQ(state.LocalIpText, IpToText(state.LocalIp));

    SocketUdpLink link(socket);
    EXPECT_FALSE(link.active());
    link.sendTo(0xFFFFFFFFu, kModulePort, "AT\r\n"); // nothing to send on, nothing reported
    EXPECT_EQ(log.reports.size(), 2u);
}

} // namespace
} // namespace lumiq
