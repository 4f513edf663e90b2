#include "sim/UdpLink.h"

#include "net/PacketInfoSend.h"

#include <sys/socket.h>

#include <cstring>

#include "sim/SysError.h"

namespace lumiq::sim {

namespace {

// Largest UDP payload over IPv4 is 65507 bytes; one more byte of room shows
// nothing was cut.
constexpr std::size_t kReceiveBuffer = 65536;
// Room for a burst of replies and for the oversized fault datagram.
constexpr int kSocketBuffer = 1 << 20;

void SetOption(int fd, int level, int name, int value, const char* what) {
    if (setsockopt(fd, level, name, &value, sizeof value) != 0)
        ThrowSysError(what);
}

} // namespace

UdpLink::UdpLink(std::uint16_t port) : port_(port) {
    fd_ = UniqueFd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!fd_)
        ThrowSysError("UDP socket");
    SetOption(fd_.get(), SOL_SOCKET, SO_REUSEADDR, 1, "SO_REUSEADDR");
    SetOption(fd_.get(), SOL_SOCKET, SO_BROADCAST, 1, "SO_BROADCAST");
    SetOption(fd_.get(), IPPROTO_IP, IP_PKTINFO, 1, "IP_PKTINFO");
    SetOption(fd_.get(), SOL_SOCKET, SO_RCVBUF, kSocketBuffer, "SO_RCVBUF");
    SetOption(fd_.get(), SOL_SOCKET, SO_SNDBUF, kSocketBuffer, "SO_SNDBUF");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(fd_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        ThrowSysError("bind to UDP port " + std::to_string(port));
}

std::optional<ReceivedDatagram> UdpLink::receive() {
    ReceivedDatagram datagram;
    datagram.bytes.resize(kReceiveBuffer);
    iovec vector{datagram.bytes.data(), datagram.bytes.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr message{};
    message.msg_name = &datagram.peer;
    message.msg_namelen = sizeof datagram.peer;
    message.msg_iov = &vector;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t length = recvmsg(fd_.get(), &message, MSG_DONTWAIT);
    if (length < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return std::nullopt;
        ThrowSysError("receive on UDP port " + std::to_string(port_));
    }
    datagram.bytes.resize(static_cast<std::size_t>(length));
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            datagram.destination = info.ipi_addr;
            datagram.ifindex = info.ipi_ifindex;
        }
    }
    return datagram;
}

int UdpLink::send(std::string_view bytes, const sockaddr_in& to, in_addr source, int ifindex) {
    while (SendWithPacketInfo(fd_.get(), bytes.data(), bytes.size(), to, source, ifindex, 0) < 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

} // namespace lumiq::sim
