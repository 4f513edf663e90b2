#include "net/PacketInfoSend.h"

#include <sys/socket.h>

#include <cstring>

namespace lumiq {

ssize_t SendWithPacketInfo(int fd, const void* data, std::size_t length, const sockaddr_in& to,
                           in_addr source, int ifindex, int flags) {
    iovec part{const_cast<void*>(data), length};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = const_cast<sockaddr_in*>(&to);
    message.msg_namelen = sizeof to;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_ifindex = ifindex;
    info.ipi_spec_dst = source;
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
    return sendmsg(fd, &message, flags);
}

} // namespace lumiq
