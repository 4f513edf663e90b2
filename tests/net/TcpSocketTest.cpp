// TCP on 127.0.0.1: a listening server with its peers, a connecting client,
// and the receive loop on a stream.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include "net/TcmSocket.h"
#include "tests/net/NetTestSupport.h"

namespace lumiq {
namespace {

using nettest::EventLog;
using nettest::Ip;
using nettest::PlainSocket;
using nettest::WaitFor;

PlainSocket TcpSocket() {
    return PlainSocket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
}

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = Ip("127.0.0.1");
    return address;
}

void ConnectTo(const PlainSocket& client, std::uint16_t port) {
    const sockaddr_in address = Loopback(port);
    ASSERT_EQ(::connect(client.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
}

void Write(int fd, const std::string& bytes) {
    ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
}

// What a plain socket reads within the deadline; "" at the end of the stream.
std::string ReadSome(int fd) {
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, 3000) != 1)
        return "<nothing>";
    char buffer[256];
    const auto count = ::recv(fd, buffer, sizeof buffer, 0);
    return count <= 0 ? "" : std::string(buffer, static_cast<std::size_t>(count));
}

class TcpServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        log.wire(server);
        server.Protocol = cmTcpServer;
        server.LocalHost = "127.0.0.1";
        server.SetActive(true);
        ASSERT_TRUE(server.Active());
        ASSERT_NE(server.LocalPort, 0);
    }
    std::uint16_t port() const { return static_cast<std::uint16_t>(server.LocalPort); }

    TcmSocket server;
    EventLog log;
};

TEST_F(TcpServerTest, RegistersPeersReceivesTheirDataAndDiscardsThemWhenTheyLeave) {
    PlainSocket client = TcpSocket();
    ConnectTo(client, port());
    ASSERT_TRUE(WaitFor([&] { return log.accepted.size() == 1; }));
    const auto peer = log.accepted[0];
    EXPECT_EQ(peer.ip, Ip("127.0.0.1"));
    EXPECT_EQ(peer.port, client.port());
    EXPECT_TRUE(log.reported(0, "Message:FD_ACCEPT"));

    Write(client.fd(), "AT\r\n");
    ASSERT_TRUE(WaitFor([&] { return log.receipts.size() == 1; }));
    EXPECT_EQ(log.receipts[0].socket, peer.socket);
    EXPECT_EQ(log.receipts[0].data, "AT\r\n");
    EXPECT_EQ(log.receipts[0].port, client.port());
    EXPECT_EQ(log.receipts[0].ip, Ip("127.0.0.1"));

    EXPECT_TRUE(server.SendTo(peer.socket, "OK\r\n", 0));
    EXPECT_EQ(ReadSome(client.fd()), "OK\r\n");

    const std::uint16_t clientPort = client.port();
    { PlainSocket gone = std::move(client); }
    ASSERT_TRUE(WaitFor([&] { return log.discarded.size() == 1; }));
    EXPECT_EQ(log.discarded[0].socket, peer.socket);
    EXPECT_EQ(log.discarded[0].port, clientPort);
    EXPECT_TRUE(server.Active());
}

TEST_F(TcpServerTest, CloseEndsEveryPeerWithoutDiscardEvents) {
    PlainSocket first = TcpSocket();
    PlainSocket second = TcpSocket();
    ConnectTo(first, port());
    ConnectTo(second, port());
    ASSERT_TRUE(WaitFor([&] { return log.accepted.size() == 2; }));
    server.SetActive(false);
    EXPECT_FALSE(server.Active());
    EXPECT_EQ(ReadSome(first.fd()), "");
    EXPECT_EQ(ReadSome(second.fd()), "");
    EXPECT_TRUE(log.discarded.empty());
}

TEST_F(TcpServerTest, PeerResetIsReportedAndThePeerStillLeavesTheList) {
    PlainSocket client = TcpSocket();
    ConnectTo(client, port());
    ASSERT_TRUE(WaitFor([&] { return log.accepted.size() == 1; }));
    const linger abortive{1, 0};
    ::setsockopt(client.fd(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    { PlainSocket gone = std::move(client); }
    ASSERT_TRUE(WaitFor([&] { return log.discarded.size() == 1; }));
    EXPECT_TRUE(log.reported(static_cast<int>(FD_CLOSE | (10054u << 16)), "1035 : 未知错误"));
}

// A listening socket of our own that accepts the component's connect.
class TcpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        const sockaddr_in address = Loopback(0);
        ASSERT_EQ(::bind(listener.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(::listen(listener.fd(), 1), 0);
        log.wire(client);
        client.Protocol = cmTcpClient;
        client.LocalHost = "127.0.0.1";
        client.RemoteHost = "127.0.0.1";
        client.RemotePort = listener.port();
    }
    int acceptPeer() {
        pollfd ready{listener.fd(), POLLIN, 0};
        if (::poll(&ready, 1, 3000) != 1)
            return -1;
        return ::accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC);
    }

    PlainSocket listener = TcpSocket();
    TcmSocket client;
    EventLog log;
};

TEST_F(TcpClientTest, BecomesActiveWhenTheConnectCompletes) {
    client.SetActive(true);
    if (!client.Active()) {
        // The non-blocking connect is under way: reported once, socket kept.
        ASSERT_EQ(log.reports.size(), 1u);
        EXPECT_EQ(log.reports[0].code, 10035);
        EXPECT_EQ(log.reports[0].message.rfind("connect() failed : The socket is marked as nonblocking", 0),
                  0u);
        EXPECT_NE(client.Socket(), -1);
        EXPECT_EQ(log.activeChanges, 0);
        ASSERT_TRUE(WaitFor([&] { return client.Active(); }));
        EXPECT_TRUE(log.reported(0, "Message:FD_CONNECT"));
    }
    EXPECT_EQ(log.activeChanges, 1);
    PlainSocket peer(acceptPeer());
    ASSERT_GE(peer.fd(), 0);
    EXPECT_EQ(peer.port(), listener.port());

    // The server's orderly close ends the client.
    { PlainSocket gone = std::move(peer); }
    ASSERT_TRUE(WaitFor([&] { return !client.Active(); }));
    EXPECT_EQ(client.Socket(), -1);
    EXPECT_EQ(log.activeChanges, 2);
}

// Stream with RelayDump and a 10-byte buffer: a read that fills the space
// offered is followed by another within the same notification.
TEST_F(TcpClientTest, RelayDumpOnAStreamReadsAgainWhileTheSpaceIsFilled) {
    client.RelayDump = true;
    client.SetBufferSize(10);
    client.SetActive(true);
    ASSERT_TRUE(WaitFor([&] { return client.Active(); }));
    PlainSocket peer(acceptPeer());
    ASSERT_GE(peer.fd(), 0);

    Write(peer.fd(), "0123456789abcd");
    ASSERT_TRUE(WaitFor([&] { return log.receipts.size() == 2; }));
    Write(peer.fd(), "xyz");
    ASSERT_TRUE(WaitFor([&] { return log.receipts.size() == 3; }));

    EXPECT_EQ(log.receipts[0].data, "0123456789");
    EXPECT_EQ(log.receipts[0].offset, 0);
    EXPECT_EQ(log.receipts[1].data, "abcd");
    EXPECT_EQ(log.receipts[1].offset, 0);
    EXPECT_EQ(log.receipts[2].data, "xyz");
    EXPECT_EQ(log.receipts[2].offset, 4);
    for (const auto& receipt : log.receipts) {
        EXPECT_TRUE(receipt.zeroAfterData);
        EXPECT_EQ(receipt.port, listener.port());
        EXPECT_EQ(receipt.ip, Ip("127.0.0.1"));
    }
}

// Nothing reads a stream's urgent byte; it is reported and dropped, and the
// data around it arrives.
TEST_F(TcpClientTest, UrgentDataIsReportedAndTheStreamGoesOn) {
    client.SetActive(true);
    ASSERT_TRUE(WaitFor([&] { return client.Active(); }));
    PlainSocket peer(acceptPeer());
    ASSERT_GE(peer.fd(), 0);
    Write(peer.fd(), "AT");
    ASSERT_EQ(::send(peer.fd(), "!", 1, MSG_OOB), 1);
    Write(peer.fd(), "\r\n");
    std::string stream;
    ASSERT_TRUE(WaitFor([&] {
        stream.clear();
        for (const auto& receipt : log.receipts)
            stream += receipt.data;
        return stream == "AT\r\n" && log.reported(0, "Message:FD_OOB");
    })) << stream;
    // Left pending, the urgent byte would keep the notifier firing.
    int oobReports = 0;
    for (const auto& report : log.reports)
        oobReports += report.message == "Message:FD_OOB";
    EXPECT_EQ(oobReports, 1);
}

// Nothing listens: the connect fails, is reported like a refusal at once, and
// the component ends closed and inactive, ready to try again.
TEST_F(TcpClientTest, RefusedConnectEndsClosedAndInactive) {
    { PlainSocket gone = std::move(listener); }
    client.SetActive(true);
    ASSERT_TRUE(WaitFor([&] { return client.Socket() == -1; }));
    EXPECT_FALSE(client.Active());
    EXPECT_TRUE(log.reported(0, "!!!!!!!!socket closed for error274D"));
    EXPECT_TRUE(log.reported(
        10061, "connect() failed : The attempt to connect was forcefully rejected.(连接被拒绝)"));
}

double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Sockets that are always writable, or readable with nobody to read them,
// must not keep the loop awake: a connected client and a server with its
// peer, both idle, and a datagram waiting without a handler.
TEST(IdleSockets, LeaveTheLoopIdle) {
    TcmSocket server;
    EventLog serverLog;
    serverLog.wire(server);
    server.Protocol = cmTcpServer;
    server.LocalHost = "127.0.0.1";
    server.SetActive(true);
    TcmSocket client;
    EventLog clientLog;
    clientLog.wire(client);
    client.Protocol = cmTcpClient;
    client.LocalHost = "127.0.0.1";
    client.RemoteHost = "127.0.0.1";
    client.RemotePort = server.LocalPort;
    client.SetActive(true);
    ASSERT_TRUE(WaitFor([&] { return client.Active() && serverLog.accepted.size() == 1; }));

    TcmSocket unread; // no OnReceive
    unread.LocalHost = "127.0.0.1";
    unread.SetActive(true);
    PlainSocket sender = PlainSocket::Udp();
    sender.sendTo("127.0.0.1", static_cast<std::uint16_t>(unread.LocalPort), "AT\r\n");

    const double before = ThreadCpuMs();
    EXPECT_FALSE(WaitFor([] { return false; }, std::chrono::milliseconds(500)));
    EXPECT_LT(ThreadCpuMs() - before, 150.0);
}

} // namespace
} // namespace lumiq
