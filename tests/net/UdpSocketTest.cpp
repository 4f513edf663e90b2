// A cmUDP socket on loopback: opening, the receive loop and its buffer,
// sending, and handlers that call back into the component.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/socket.h>

#include <QTimer>

#include "net/TcmSocket.h"
#include "state/AddressText.h"
#include "tests/net/NetTestSupport.h"

namespace lumiq {
namespace {

using nettest::EventLog;
using nettest::Ip;
using nettest::PlainSocket;
using nettest::WaitFor;

// An active UDP socket on 127.0.0.1, its events logged, and a plain peer.
class UdpSocketTest : public ::testing::Test {
protected:
    void open(std::function<void(TcmSocket&)> afterReceive = {}) {
        log.wire(socket, std::move(afterReceive));
        socket.LocalHost = "127.0.0.1";
        socket.SetActive(true);
        ASSERT_TRUE(socket.Active());
        peer.bind("127.0.0.1", 0);
    }
    void send(const std::string& bytes) {
        peer.sendTo("127.0.0.1", static_cast<std::uint16_t>(socket.LocalPort), bytes);
    }
    bool waitReceipts(std::size_t count) {
        return WaitFor([&] { return log.receipts.size() >= count; });
    }
    bool waitReports(std::size_t count) {
        return WaitFor([&] { return log.reports.size() >= count; });
    }

    TcmSocket socket;
    EventLog log;
    PlainSocket peer = PlainSocket::Udp();
};

TEST_F(UdpSocketTest, OpenOnTheOwnAddressShowsTheAddressAndPortBound) {
    TcmSocket own;
    own.SetActive(true); // LocalHost "0", LocalPort 0
    ASSERT_TRUE(own.Active());
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    ASSERT_EQ(getsockname(own.Socket(), reinterpret_cast<sockaddr*>(&bound), &length), 0);
    EXPECT_EQ(own.LocalHost, IpToText(TcmSocket::get_ip_data("", cmUnicast)));
    EXPECT_EQ(own.LocalHost, IpToText(bound.sin_addr.s_addr));
    EXPECT_EQ(own.LocalPort, ntohs(bound.sin_port));
    EXPECT_NE(own.LocalPort, 0);
    EXPECT_EQ(own.MaxBufSize(), 2048);
}

TEST_F(UdpSocketTest, ConnectsOnlyWhenARemotePeerIsNamed) {
    struct Case {
        const char* remoteHost;
        int remotePort;
        bool connected;
    };
    for (const Case& c : {Case{"0", 0, false}, Case{"127.0.0.5", 7, true}}) {
        TcmSocket udp;
        udp.LocalHost = "127.0.0.1";
        udp.RemoteHost = c.remoteHost;
        udp.RemotePort = c.remotePort;
        udp.SetActive(true);
        ASSERT_TRUE(udp.Active()) << c.remoteHost;
        sockaddr_in remote{};
        socklen_t length = sizeof remote;
        const bool connected = getpeername(udp.Socket(), reinterpret_cast<sockaddr*>(&remote), &length) == 0;
        EXPECT_EQ(connected, c.connected) << c.remoteHost;
        if (connected) {
            EXPECT_EQ(remote.sin_addr.s_addr, Ip("127.0.0.5"));
            EXPECT_EQ(ntohs(remote.sin_port), 7);
        }
    }
}

TEST_F(UdpSocketTest, DeliversEachDatagramFromTheStartOfTheBuffer) {
    open();
    const std::string twenty = "<00:1a:2b:3c:4d:5e>,";
    send(twenty);
    ASSERT_TRUE(waitReceipts(1));
    EXPECT_EQ(socket.BufOffset(), 20);
    send("OK\r\n");
    ASSERT_TRUE(waitReceipts(2));
    for (const auto& receipt : log.receipts) {
        EXPECT_EQ(receipt.offset, 0);
        EXPECT_TRUE(receipt.zeroAfterData);
        EXPECT_EQ(receipt.ip, Ip("127.0.0.1"));
        EXPECT_EQ(receipt.port, peer.port());
        EXPECT_EQ(receipt.socket, socket.Socket());
    }
    EXPECT_EQ(log.receipts[0].data, twenty);
    EXPECT_EQ(log.receipts[1].data, "OK\r\n");
}

TEST_F(UdpSocketTest, BinaryDatagramsArriveWhole) {
    open();
    const std::string binary("\0\xff<\0>,\x80", 7);
    send(binary);
    ASSERT_TRUE(waitReceipts(1));
    EXPECT_EQ(log.receipts[0].data, binary);
}

// A datagram longer than the space offered is dropped with 10040, not
// delivered cut short; the next one arrives as usual.
TEST_F(UdpSocketTest, OversizedDatagramIsReportedAndNotDelivered) {
    open();
    send(std::string(3000, 'x')); // MaxBufSize is 2048
    ASSERT_TRUE(waitReports(1));
    EXPECT_EQ(log.reports[0].code, 10040);
    EXPECT_EQ(
        log.reports[0].message,
        "recvfrom() failed : The socket is message oriented, and the message is larger than the maximum "
        "supported by the underlying transport.(消息过长)");
    send("AT\r\n");
    ASSERT_TRUE(waitReceipts(1));
    EXPECT_EQ(log.receipts[0].data, "AT\r\n");
    EXPECT_TRUE(socket.Active());
}

TEST_F(UdpSocketTest, RelayDumpAppendsDatagramsUntilTheBufferIsFull) {
    socket.RelayDump = true;
    socket.SetBufferSize(10);
    open();
    send("abcdef");
    ASSERT_TRUE(waitReceipts(1));
    send("12345678"); // 8 bytes, 4 left behind BufOffset 6
    ASSERT_TRUE(waitReports(1));
    send("wxyz"); // fills the buffer exactly
    ASSERT_TRUE(waitReceipts(2));
    send("end"); // the buffer was full: back to the front
    ASSERT_TRUE(waitReceipts(3));

    ASSERT_EQ(log.receipts.size(), 3u);
    EXPECT_EQ(log.receipts[0].data, "abcdef");
    EXPECT_EQ(log.receipts[0].offset, 0);
    EXPECT_EQ(log.receipts[1].data, "wxyz");
    EXPECT_EQ(log.receipts[1].offset, 6);
    EXPECT_EQ(log.receipts[2].data, "end");
    EXPECT_EQ(log.receipts[2].offset, 0);
    for (const auto& receipt : log.receipts)
        EXPECT_TRUE(receipt.zeroAfterData);
    EXPECT_EQ(log.reports.front().code, 10040);
}

TEST_F(UdpSocketTest, SendToWithLengthZeroSendsTheTextUpToItsZeroByte) {
    open();
    EXPECT_TRUE(socket.SendTo(Ip("127.0.0.1"), peer.port(), "AT\r\n", 0));
    const auto datagram = peer.receive();
    ASSERT_TRUE(datagram.has_value());
    EXPECT_EQ(datagram->bytes, "AT\r\n");
    EXPECT_EQ(datagram->port, socket.LocalPort);

    EXPECT_TRUE(socket.SendTo(std::string("127.0.0.1"), peer.port(), "AT+VER=?\r\nrest", 10));
    const auto counted = peer.receive();
    ASSERT_TRUE(counted.has_value());
    EXPECT_EQ(counted->bytes, "AT+VER=?\r\n");

    TcmSocket closed;
    EXPECT_FALSE(closed.SendTo(Ip("127.0.0.1"), peer.port(), "AT\r\n", 0));
    EXPECT_FALSE(socket.SendTo(Ip("127.0.0.1"), peer.port(), nullptr, 4));
}

TEST_F(UdpSocketTest, HandlerCanAnswerFromOnReceive) {
    open();
    socket.OnReceive = [&](TcmSocket& sender, int, std::uint16_t port, std::uint32_t ip, const char* data,
                           int length) {
        log.receipts.push_back({0, port, ip, std::string(data, static_cast<std::size_t>(length)), 0, true});
        sender.SendTo(ip, port, "OK\r\n", 0);
    };
    send("AT\r\n");
    ASSERT_TRUE(waitReceipts(1));
    const auto answer = peer.receive();
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->bytes, "OK\r\n");
}

// Each handler leaves the socket or its buffer gone while the loop would read
// again (the datagram filled the space exactly, so more may wait).
TEST_F(UdpSocketTest, HandlerMayCloseReopenOrDropTheBufferMidLoop) {
    struct Case {
        const char* name;
        std::function<void(TcmSocket&)> action;
        bool activeAfter;
    };
    const Case cases[] = {
        {"deactivate", [](TcmSocket& s) { s.SetActive(false); }, false},
        {"reopen",
         [](TcmSocket& s) {
             s.SetActive(false);
             s.SetActive(true);
         },
         true},
        {"drop buffer", [](TcmSocket& s) { s.SetBufferSize(0); }, true},
    };
    for (const auto& c : cases) {
        TcmSocket udp;
        EventLog events;
        bool acted = false;
        events.wire(udp, [&](TcmSocket& s) {
            if (acted)
                return;
            acted = true;
            c.action(s);
        });
        udp.SetBufferSize(4);
        udp.LocalHost = "127.0.0.1";
        udp.SetActive(true);
        PlainSocket sender = PlainSocket::Udp();
        for (int i = 0; i < 3; ++i)
            sender.sendTo("127.0.0.1", static_cast<std::uint16_t>(udp.LocalPort), "ABCD");
        ASSERT_TRUE(WaitFor([&] { return acted; })) << c.name;
        EXPECT_EQ(udp.Active(), c.activeAfter) << c.name;
        EXPECT_EQ(events.receipts.size(), 1u) << c.name;
    }
}

// Without a handler nothing is read, and nothing is lost: once a handler is
// set the waiting datagram arrives.
TEST_F(UdpSocketTest, DatagramWaitsForAHandler) {
    socket.LocalHost = "127.0.0.1";
    socket.SetActive(true);
    peer.bind("127.0.0.1", 0);
    send("+IP=192.168.1.199\r\n");
    bool handled = false;
    QTimer::singleShot(300, [&] {
        log.wire(socket);
        handled = true;
    });
    ASSERT_TRUE(WaitFor([&] { return handled && !log.receipts.empty(); }));
    EXPECT_EQ(log.receipts[0].data, "+IP=192.168.1.199\r\n");
}

TEST_F(UdpSocketTest, NotificationsFollowTheDispatchTable) {
    open();
    const int own = socket.Socket();
    socket.OnSocketMessage(own, FD_OOB);
    socket.OnSocketMessage(own, FD_CONNECT);
    socket.OnSocketMessage(own, FD_CLOSE | (10054u << 16)); // carries an error: no single event
    socket.OnSocketMessage(own + 100, FD_CLOSE);            // a socket it does not hold
    ASSERT_EQ(log.reports.size(), 3u);
    EXPECT_EQ(log.reports[0].message, "Message:FD_OOB");
    EXPECT_EQ(log.reports[0].code, 0);
    EXPECT_EQ(log.reports[1].message, "Message:FD_CONNECT");
    EXPECT_EQ(log.reports[2].message, "1035 : 未知错误");
    EXPECT_EQ(log.reports[2].code, static_cast<int>(FD_CLOSE | (10054u << 16)));
    EXPECT_TRUE(socket.Active());

    // A close notification ends a datagram socket too.
    const int changes = log.activeChanges;
    socket.OnSocketMessage(own, FD_CLOSE);
    EXPECT_FALSE(socket.Active());
    EXPECT_EQ(socket.Socket(), -1);
    EXPECT_EQ(log.activeChanges, changes + 1);
}

} // namespace
} // namespace lumiq
