// Failed socket calls become OnError reports with Windows Sockets numbers
// and their texts.

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <set>

#include "net/TcmSocket.h"
#include "net/WinsockErrors.h"
#include "tests/net/NetTestSupport.h"

namespace lumiq {
namespace {

using nettest::EventLog;
using nettest::ExpectAddressInUseReports;
using nettest::PlainSocket;

struct TextCase {
    int code;
    const char* text;
};

TEST(MapErrorCode, GivesTheTableTextsExactly) {
    const TextCase cases[] = {
        {10042, "未知错误"},
        {0, "未知错误"},
        {10046, "未知错误"},
        {10039, "需要目标地址"},
        {10064, "主机已关闭"},
        {10048, "The specified address is already in use(地址已使用)."},
        {10022, "The socket is not(or is already) bound to an address ,etc."},
        {10035, "The socket is marked as nonblocking and the requested operation would block,and cannot be "
                "completed immediately. "},
        {10050, "The network subsystem or the associated service provider has failed.(网络已关闭)."},
        {10055, "Not enough buffers available, no more socket、connections or other action!"},
        {10058,
         "he socket has been shut down; it is not possible to send on a socket after shutdown has been "
         "invoked with how set to SD_SEND or SD_BOTH."},
        {10093, "A successful WSAStartup must occur before using this function."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TcmSocket::MapErrorCode(c.code), c.text) << c.code;
    EXPECT_NE(TcmSocket::MapErrorCode(10054).find("For UPD sockets"), std::string::npos);
}

TEST(WinsockErrorFromErrno, MapsLinuxErrorsOntoWindowsSocketsNumbers) {
    const std::pair<int, int> cases[] = {
        {EINTR, 10004},        {EACCES, 10013},          {EPERM, 10013},           {EFAULT, 10014},
        {EINVAL, 10022},       {EMFILE, 10024},          {ENFILE, 10024},          {EAGAIN, 10035},
        {EINPROGRESS, 10035},  {EBUSY, 10036},           {EALREADY, 10037},        {EBADF, 10038},
        {ENOTSOCK, 10038},     {EDESTADDRREQ, 10039},    {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},
        {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},
        {EAFNOSUPPORT, 10047}, {EADDRINUSE, 10048},      {EADDRNOTAVAIL, 10049},   {ENETDOWN, 10050},
        {ENETUNREACH, 10051},  {ENETRESET, 10052},       {ECONNABORTED, 10053},    {ECONNRESET, 10054},
        {ENOBUFS, 10055},      {ENOMEM, 10055},          {EISCONN, 10056},         {ENOTCONN, 10057},
        {ESHUTDOWN, 10058},    {EPIPE, 10058},           {ETIMEDOUT, 10060},       {ECONNREFUSED, 10061},
        {EHOSTDOWN, 10064},    {EHOSTUNREACH, 10065},    {ENOENT, ENOENT}, // no Windows Sockets counterpart:
                                                                           // kept, and it has no text
    };
    for (const auto& [errnoValue, code] : cases)
        EXPECT_EQ(WinsockErrorFromErrno(errnoValue), code) << errnoValue;
}

// Every text of the table except WSANOTINITIALISED's (sockets need no
// start-up on Linux) must be reachable from some system error.
TEST(WinsockErrorFromErrno, ReachesEveryTextButTheStartUpOne) {
    std::set<std::string> reached;
    for (int errnoValue = 1; errnoValue < 200; ++errnoValue)
        reached.insert(TcmSocket::MapErrorCode(WinsockErrorFromErrno(errnoValue)));
    int texts = 0;
    for (int code = 10000; code < 10100; ++code) {
        const std::string text = TcmSocket::MapErrorCode(code);
        if (text == "未知错误" || code == 10093)
            continue;
        ++texts;
        EXPECT_TRUE(reached.count(text)) << code;
    }
    EXPECT_EQ(texts, 31);
}

TEST(ShowError, BuildsTheMessageFromTextAndCode) {
    TcmSocket socket;
    EventLog log;
    log.wire(socket);
    socket.ShowError("bind() failed", 10048);
    socket.ShowError("Message:FD_ACCEPT", 0);
    socket.ShowError("1035", 10042);
    ASSERT_EQ(log.reports.size(), 3u);
    EXPECT_EQ(log.reports[0].code, 10048);
    EXPECT_EQ(log.reports[0].message, "bind() failed : The specified address is already in use(地址已使用).");
    EXPECT_EQ(log.reports[1].code, 0);
    EXPECT_EQ(log.reports[1].message, "Message:FD_ACCEPT");
    EXPECT_EQ(log.reports[2].message, "1035 : 未知错误");
}

// Port taken: the bind fails while the socket is being opened, so the socket
// is closed (raising OnActiveChanged) between the two reports.
TEST(ErrorCheck, FailedBindWhileOpeningClosesTheSocketBetweenTwoReports) {
    PlainSocket holder = PlainSocket::Udp();
    holder.bind("127.0.0.1", 0);
    TcmSocket socket;
    EventLog log;
    log.wire(socket);
    socket.LocalHost = "127.0.0.1";
    socket.LocalPort = holder.port();
    socket.SetActive(true);

    EXPECT_FALSE(socket.Active());
    EXPECT_EQ(socket.Socket(), -1);
    ExpectAddressInUseReports(log);
    EXPECT_EQ(log.order, (std::vector<std::string>{"error", "active", "error"}));
}

// An active datagram socket on loopback whose events go to `log`.
void OpenOnLoopback(TcmSocket& socket, EventLog& log) {
    log.wire(socket);
    socket.LocalHost = "127.0.0.1";
    socket.SetActive(true);
    ASSERT_TRUE(socket.Active());
}

TEST(ErrorCheck, FailedSendIsReportedAndTheSocketStaysActive) {
    TcmSocket socket;
    EventLog log;
    OpenOnLoopback(socket, log);
    // An unconnected datagram socket has nowhere to send to.
    EXPECT_FALSE(socket.Send("AT\r\n", 0));
    EXPECT_TRUE(socket.Active());
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].code, 10039);
    EXPECT_EQ(log.reports[0].message, "send() failed : 需要目标地址");

    // Nobody listening: nothing is built, and the failure is still returned.
    socket.OnError = nullptr;
    EXPECT_FALSE(socket.Send("AT\r\n", 0));
}

// The descriptor is closed behind the component's back, so its own close
// fails: reported once, and no further Close starts.
TEST(ErrorCheck, FailedCloseIsReportedOnceButNotWhileDestroyed) {
    TcmSocket socket;
    EventLog log;
    OpenOnLoopback(socket, log);
    ::close(socket.Socket());
    socket.SetActive(false);
    EXPECT_FALSE(socket.Active());
    EXPECT_EQ(socket.Socket(), -1);
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].code, 10038);
    EXPECT_EQ(log.reports[0].message, "closesocket() failed : The descriptor is not a socket.");

    EventLog destroyed;
    {
        TcmSocket doomed;
        OpenOnLoopback(doomed, destroyed);
        destroyed.activeChanges = 0;
        ::close(doomed.Socket());
    }
    EXPECT_TRUE(destroyed.reports.empty());
    // The owner may already be half gone: not even OnActiveChanged is raised.
    EXPECT_EQ(destroyed.activeChanges, 0);
}

} // namespace
} // namespace lumiq
