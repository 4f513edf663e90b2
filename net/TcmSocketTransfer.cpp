// TcmSocket: sending.

#include <arpa/inet.h>

#include <cstring>

#include "net/HostAddress.h"
#include "net/TcmSocket.h"

namespace lumiq {

namespace {

// A length of 0 or less: the data is a zero-terminated text.
std::size_t LengthOf(const char* data, int length) {
    return length > 0 ? static_cast<std::size_t>(length) : std::strlen(data);
}

sockaddr_in Destination(std::uint32_t address, std::uint16_t port) {
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(port);
    destination.sin_addr.s_addr = address;
    return destination;
}

} // namespace

bool TcmSocket::SendTo(std::uint32_t address, std::uint16_t port, const char* data, int length) {
    if (data == nullptr || socket_ == -1)
        return false;
    const std::size_t count = LengthOf(data, length);
    sockAddr_ = Destination(address, port);
    // Bound to every address, the kernel would pick the sender by route, and
    // has none at all for the limited broadcast without a default route. The
    // datagram names LocalHost as its sender instead, and a limited broadcast
    // leaves through LocalHost's adapter.
    const unsigned ifindex = anyAddressBound_ ? InterfaceIndexOf(sendSource_) : 0;
    const unsigned leavingBy = address == INADDR_BROADCAST ? ifindex : 0;
    const CallResult sent = ifindex != 0
                                ? SendFromCall(socket_, data, count, sockAddr_, sendSource_, leavingBy)
                                : SendToCall(socket_, data, count, sockAddr_);
    if (Tap != nullptr && !sent.failed())
        tapSent(sockAddr_, ifindex != 0 ? sendSource_ : 0, leavingBy, data, sent.value);
    return ErrorCheck(sent, "send to() failed") != -1;
}

bool TcmSocket::SendFrom(std::uint32_t address, std::uint16_t port, const char* data, int length,
                         std::uint32_t source, unsigned ifindex) {
    if (data == nullptr || socket_ == -1)
        return false;
    sockAddr_ = Destination(address, port);
    const CallResult sent = SendFromCall(socket_, data, LengthOf(data, length), sockAddr_, source, ifindex);
    if (Tap != nullptr && !sent.failed())
        tapSent(sockAddr_, source, ifindex, data, sent.value);
    return ErrorCheck(sent, "send to() failed") != -1;
}

bool TcmSocket::SendTo(const std::string& host, std::uint16_t port, const char* data, int length) {
    return SendTo(get_ip_data(host, cmUnicast), port, data, length);
}

bool TcmSocket::SendTo(int socket, const char* data, int length) {
    if (data == nullptr || socket_ == -1)
        return false;
    const std::size_t count = LengthOf(data, length);
    const int sent = ErrorCheck(SendCall(socket, data, count), "send() failed");
    return sent != -1 && static_cast<std::size_t>(sent) == count;
}

bool TcmSocket::Send(const char* data, int length) {
    return SendTo(socket_, data, length);
}

} // namespace lumiq
