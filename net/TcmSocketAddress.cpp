// TcmSocket: class-level address helpers.

#include <arpa/inet.h>
#include <climits>
#include <unistd.h>

#include <array>
#include <cstring>

#include "net/HostAddress.h"
#include "net/TcmSocket.h"
#include "state/AddressText.h"

namespace lumiq {

namespace {

constexpr std::uint32_t kNoAddress = 0xFFFFFFFFu;

} // namespace

// The system parser cannot tell 255.255.255.255 from failure, so that address
// is not valid here.
bool TcmSocket::isValidIP(const std::string& text) {
    return text.size() >= 7 && inet_addr(text.c_str()) != INADDR_NONE;
}

// The classful broadcast address: class A keeps one octet, B two, C three;
// class D and E addresses and 0.x.x.x stay as they are.
std::uint32_t TcmSocket::IP_UnicastToBroadcast(std::uint32_t address) {
    std::array<unsigned char, 4> octets{};
    std::memcpy(octets.data(), &address, sizeof address); // first octet first
    const unsigned first = octets[0];
    if (first == 0 || first > 223)
        return address;
    octets[3] = 255;
    if (first <= 191)
        octets[2] = 255;
    if (first <= 127)
        octets[1] = 255;
    std::memcpy(&address, octets.data(), sizeof address);
    return address;
}

std::uint32_t TcmSocket::get_ip_data(const std::string& host, TcmCastMode mode) {
    std::uint32_t address = 0;
    if (isValidIP(host))
        address = inet_addr(host.c_str());
    else if (host.empty())
        address = ChooseLocalAddress(ResolveFirstIpv4(HostName()).value_or(0), ListAdaptersWithLoopback());
    else
        address = ResolveFirstIpv4(host).value_or(0);
    return mode == cmBroadcast ? IP_UnicastToBroadcast(address) : address;
}

// Room for the longest name Linux allows, not only 32 bytes: a longer name
// read short would resolve to nothing.
std::string TcmSocket::HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return "";
    return name;
}

std::string TcmSocket::HostIP(std::uint32_t address) {
    if (address == kNoAddress)
        address = get_ip_data("", cmUnicast);
    if (address == kNoAddress)
        return "";
    return IpToText(address);
}

std::string TcmSocket::BroadcastIP(const std::string& host) {
    return HostIP(get_ip_data(host, cmBroadcast));
}

} // namespace lumiq
