// TcmSocket: reporting datagrams to the traffic tap.

#include <arpa/inet.h>

#include "net/HostAddress.h"
#include "net/TcmSocket.h"

namespace lumiq {

namespace {

// The socket's own address and port; zeros when the kernel does not say.
sockaddr_in OwnEnd(int socket) {
    sockaddr_in own{};
    if (SockNameCall(socket, own).failed())
        own = {};
    return own;
}

} // namespace

void TcmSocket::tapSent(const sockaddr_in& to, std::uint32_t source, unsigned ifindex, const char* data,
                        int sent) {
    if (Protocol != cmUDP || sent < 0)
        return;
    const sockaddr_in own = OwnEnd(socket_);
    DatagramEnds ends;
    ends.sourceIp = source != 0 ? source : own.sin_addr.s_addr;
    ends.sourcePort = ntohs(own.sin_port);
    ends.destinationIp = to.sin_addr.s_addr;
    ends.destinationPort = ntohs(to.sin_port);
    // Without a chosen adapter the kernel took the one of the sender address.
    ends.ifindex = ifindex != 0 ? ifindex : InterfaceIndexOf(ends.sourceIp);
    Tap->datagramSent(ends, std::string_view(data, static_cast<std::size_t>(sent)));
}

void TcmSocket::tapReceived(const sockaddr_in& from, const char* data, int received) {
    if (Protocol != cmUDP || received < 0)
        return;
    const sockaddr_in own = OwnEnd(socket_);
    DatagramEnds ends;
    ends.sourceIp = from.sin_addr.s_addr;
    ends.sourcePort = ntohs(from.sin_port);
    // Packet info names the header's destination (a broadcast, say); else the
    // address the socket is bound to is the best known.
    ends.destinationIp = lastReceipt_.known ? lastReceipt_.destination : own.sin_addr.s_addr;
    ends.destinationPort = ntohs(own.sin_port);
    ends.ifindex = lastReceipt_.known ? lastReceipt_.ifindex : 0;
    Tap->datagramReceived(ends, std::string_view(data, static_cast<std::size_t>(received)));
}

} // namespace lumiq
