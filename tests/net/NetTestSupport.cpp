#include "tests/net/NetTestSupport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <stdexcept>

namespace lumiq::nettest {

void ExpectAddressInUseReports(const EventLog& log) {
    ASSERT_EQ(log.reports.size(), 2u);
    EXPECT_EQ(log.reports[0].code, 0);
    EXPECT_EQ(log.reports[0].message, "!!!!!!!!socket closed for error2740");
    EXPECT_EQ(log.reports[1].code, 10048);
    EXPECT_EQ(log.reports[1].message, "bind() failed : The specified address is already in use(地址已使用).");
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(limit); // also wakes the loop when nothing else does
    while (!done()) {
        if (!deadline.isActive())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
    }
    return true;
}

std::uint32_t Ip(const char* dotted) {
    return inet_addr(dotted);
}

void EventLog::wire(TcmSocket& socket, std::function<void(TcmSocket&)> afterReceive) {
    socket.OnError = [this](TcmSocket&, int code, const std::string& message) {
        reports.push_back({code, message});
        order.push_back("error");
    };
    socket.OnReceive = [this, afterReceive](TcmSocket& sender, int peer, std::uint16_t port, std::uint32_t ip,
                                            const char* data, int length) {
        const int offset = sender.BufOffset() - length;
        receipts.push_back(
            {peer, port, ip, std::string(data, static_cast<std::size_t>(length)), offset, data[length] == 0});
        order.push_back("receive");
        if (afterReceive)
            afterReceive(sender);
    };
    socket.OnAccept = [this](TcmSocket&, int peer, std::uint32_t ip, std::uint16_t port) {
        accepted.push_back({peer, ip, port});
        order.push_back("accept");
    };
    socket.OnDiscard = [this](TcmSocket&, int peer, std::uint32_t ip, std::uint16_t port) {
        discarded.push_back({peer, ip, port});
        order.push_back("discard");
    };
    socket.OnActiveChanged = [this](TcmSocket&) {
        ++activeChanges;
        order.push_back("active");
    };
}

bool EventLog::reported(int code, const std::string& message) const {
    for (const auto& report : reports)
        if (report.code == code && report.message == message)
            return true;
    return false;
}

PlainSocket PlainSocket::Udp() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket failed");
    return PlainSocket(fd);
}

PlainSocket::~PlainSocket() {
    if (fd_ >= 0)
        ::close(fd_);
}

void PlainSocket::bind(const char* dotted, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = Ip(dotted);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error(std::string("bind failed: ") + dotted);
}

void PlainSocket::enableBroadcast() {
    const int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
}

std::uint16_t PlainSocket::port() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

void PlainSocket::sendTo(const char* dotted, std::uint16_t port, const std::string& bytes) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = Ip(dotted);
    const auto sent =
        ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&address), sizeof address);
    if (sent != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error(std::string("sendto failed: ") + dotted);
}

std::optional<PlainSocket::Datagram> PlainSocket::receive(std::chrono::milliseconds limit) {
    pollfd ready{fd_, POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(limit.count())) != 1)
        return std::nullopt;
    char buffer[70000];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const auto count = ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (count < 0)
        return std::nullopt;
    return Datagram{std::string(buffer, static_cast<std::size_t>(count)), from.sin_addr.s_addr,
                    ntohs(from.sin_port)};
}

} // namespace lumiq::nettest
