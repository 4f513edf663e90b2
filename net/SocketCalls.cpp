#include "net/SocketCalls.h"

#include "net/PacketInfoSend.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "net/WinsockErrors.h"

namespace lumiq {

namespace {

// errno is read right here, before anything else can change it.
CallResult Checked(long long result) {
    if (result == -1)
        return {-1, WinsockErrorFromErrno(errno)};
    return {static_cast<int>(result > INT_MAX ? INT_MAX : result), 0};
}

const sockaddr* AsSockaddr(const sockaddr_in& address) {
    return reinterpret_cast<const sockaddr*>(&address);
}
sockaddr* AsSockaddr(sockaddr_in& address) {
    return reinterpret_cast<sockaddr*>(&address);
}

} // namespace

CallResult SocketCall(int domain, int type, int protocol) {
    return Checked(socket(domain, type | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol));
}

CallResult CloseCall(int fd) {
    return Checked(close(fd));
}

CallResult BindCall(int fd, const sockaddr_in& address) {
    return Checked(bind(fd, AsSockaddr(address), sizeof address));
}

CallResult ConnectCall(int fd, const sockaddr_in& address) {
    return Checked(connect(fd, AsSockaddr(address), sizeof address));
}

CallResult ListenCall(int fd, int backlog) {
    return Checked(listen(fd, backlog));
}

CallResult AcceptCall(int fd, sockaddr_in& peer) {
    socklen_t length = sizeof peer;
    return Checked(accept4(fd, AsSockaddr(peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC));
}

CallResult SetIntOptionCall(int fd, int level, int name, int value) {
    return Checked(setsockopt(fd, level, name, &value, sizeof value));
}

CallResult GetIntOptionCall(int fd, int level, int name, int& value) {
    socklen_t length = sizeof value;
    return Checked(getsockopt(fd, level, name, &value, &length));
}

CallResult SockNameCall(int fd, sockaddr_in& address) {
    socklen_t length = sizeof address;
    return Checked(getsockname(fd, AsSockaddr(address), &length));
}

CallResult PeerNameCall(int fd, sockaddr_in& address) {
    socklen_t length = sizeof address;
    return Checked(getpeername(fd, AsSockaddr(address), &length));
}

CallResult PendingConnectCall(int fd) {
    int pending = 0;
    const CallResult query = GetIntOptionCall(fd, SOL_SOCKET, SO_ERROR, pending);
    if (query.failed())
        return query;
    if (pending != 0)
        return {-1, WinsockErrorFromErrno(pending)};
    // Only a finished connect makes the socket ready, so no peer name here
    // means it failed without a pending error left to tell why.
    sockaddr_in peer{};
    const CallResult named = PeerNameCall(fd, peer);
    if (named.failed())
        return named;
    return {0, 0};
}

CallResult SendToCall(int fd, const char* data, std::size_t length, const sockaddr_in& to) {
    return Checked(sendto(fd, data, length, MSG_NOSIGNAL, AsSockaddr(to), sizeof to));
}

CallResult SendFromCall(int fd, const char* data, std::size_t length, const sockaddr_in& to,
                        std::uint32_t source, unsigned ifindex) {
    in_addr from{};
    from.s_addr = source;
    return Checked(SendWithPacketInfo(fd, data, length, to, from, static_cast<int>(ifindex), MSG_NOSIGNAL));
}

CallResult SendCall(int fd, const char* data, std::size_t length) {
    return Checked(send(fd, data, length, MSG_NOSIGNAL));
}

CallResult ReceiveFromCall(int fd, char* buffer, std::size_t size, sockaddr_in* from, ReceiptInfo* receipt) {
    iovec part{buffer, size};
    msghdr message{};
    if (from != nullptr) {
        message.msg_name = from;
        message.msg_namelen = sizeof *from;
    }
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))];
    if (receipt != nullptr) {
        *receipt = {};
        message.msg_control = control;
        message.msg_controllen = sizeof control;
    }
    const CallResult result = Checked(recvmsg(fd, &message, 0));
    // Linux hands over the first `size` bytes of a longer datagram and drops
    // the rest; Windows fails the call. The datagram is gone either way, but a
    // cut-off frame must not pass for a whole one.
    if (!result.failed() && (message.msg_flags & MSG_TRUNC) != 0)
        return {-1, kWsaMessageSize};
    if (!result.failed() && receipt != nullptr)
        *receipt = ReceiptFromControl(message);
    return result;
}

CallResult ReceiveCall(int fd, char* buffer, std::size_t size) {
    return ReceiveFromCall(fd, buffer, size, nullptr);
}

CallResult PeekStreamCall(int fd) {
    char byte = 0;
    return Checked(recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT));
}

bool DatagramWaiting(int fd) {
    char byte = 0;
    return recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT | MSG_TRUNC) >= 0;
}

CallResult DiscardUrgentCall(int fd) {
    char byte = 0;
    return Checked(recv(fd, &byte, 1, MSG_OOB | MSG_DONTWAIT));
}

} // namespace lumiq
