#include "net/ArpSocket.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "net/AdapterList.h"

namespace lumiq {
namespace {

// ARP for IPv4 over Ethernet: hardware type, protocol type, their lengths
// and the operation, then the sender's and the target's hardware and
// protocol addresses.
constexpr std::size_t kArpSize = 28;
constexpr std::uint16_t kEthernet = 1;
constexpr std::uint16_t kIpv4 = 0x0800;
constexpr std::uint16_t kRequest = 1;
constexpr std::uint16_t kReply = 2;

std::uint16_t Read16(const unsigned char* at) {
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

void Write16(unsigned char* at, std::uint16_t value) {
    at[0] = static_cast<unsigned char>(value >> 8);
    at[1] = static_cast<unsigned char>(value & 0xff);
}

// Copied as it lies: the packet holds addresses in network order.
std::uint32_t ReadAddress(const unsigned char* at) {
    std::uint32_t address = 0;
    std::memcpy(&address, at, sizeof address);
    return address;
}

} // namespace

std::optional<ArpPacket> ParseArpPacket(const unsigned char* data, std::size_t size, unsigned ifindex) {
    // Ethernet pads a frame to 46 bytes of payload: more than 28 is normal.
    if (data == nullptr || size < kArpSize)
        return std::nullopt;
    if (Read16(data) != kEthernet || Read16(data + 2) != kIpv4 || data[4] != 6 || data[5] != 4)
        return std::nullopt;
    const std::uint16_t operation = Read16(data + 6);
    if (operation != kRequest && operation != kReply)
        return std::nullopt;
    ArpPacket packet;
    packet.ifindex = ifindex;
    packet.request = operation == kRequest;
    packet.senderMac = HardwareAddressText(data + 8);
    packet.senderIp = ReadAddress(data + 14);
    packet.targetIp = ReadAddress(data + 24);
    return packet;
}

ArpSocket::ArpSocket() {
    fd_ = socket(AF_PACKET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, htons(ETH_P_ARP));
    if (fd_ >= 0)
        return;
    if (errno == EPERM || errno == EACCES)
        throw ArpSocketError("ARP probes need the CAP_NET_RAW capability: run lumiq as root, or give it the "
                             "capability (setcap cap_net_raw+ep /usr/bin/lumiq), or leave out the probe "
                             "with --no-probe");
    throw ArpSocketError(std::string("cannot open a socket for ARP probes: ") + std::strerror(errno));
}

ArpSocket::~ArpSocket() {
    close(fd_);
}

std::optional<ArpSocket::HardwareAddress> ArpSocket::hardwareAddressOf(unsigned ifindex) {
    if (const auto known = hardwareAddresses_.find(ifindex); known != hardwareAddresses_.end())
        return known->second;
    ifreq request{};
    if (if_indextoname(ifindex, request.ifr_name) == nullptr)
        return std::nullopt;
    if (ioctl(fd_, SIOCGIFHWADDR, &request) != 0 || request.ifr_hwaddr.sa_family != ARPHRD_ETHER)
        return std::nullopt;
    HardwareAddress address{};
    std::memcpy(address.data(), request.ifr_hwaddr.sa_data, address.size());
    hardwareAddresses_[ifindex] = address;
    return address;
}

std::string ArpSocket::macOf(unsigned ifindex) {
    const std::optional<HardwareAddress> address = hardwareAddressOf(ifindex);
    return address ? HardwareAddressText(address->data()) : std::string();
}

bool ArpSocket::sendProbe(unsigned ifindex, std::uint32_t address) {
    const std::optional<HardwareAddress> own = hardwareAddressOf(ifindex);
    if (!own)
        return false;
    // Sender address 0.0.0.0 and target hardware address zero: a probe that
    // teaches no neighbour table anything.
    unsigned char packet[kArpSize] = {};
    Write16(packet, kEthernet);
    Write16(packet + 2, kIpv4);
    packet[4] = 6;
    packet[5] = 4;
    Write16(packet + 6, kRequest);
    std::memcpy(packet + 8, own->data(), own->size());
    std::memcpy(packet + 24, &address, sizeof address);

    sockaddr_ll to{};
    to.sll_family = AF_PACKET;
    to.sll_protocol = htons(ETH_P_ARP);
    to.sll_ifindex = static_cast<int>(ifindex);
    to.sll_halen = 6;
    std::memset(to.sll_addr, 0xff, 6);
    ssize_t sent = -1;
    do
        sent = sendto(fd_, packet, sizeof packet, MSG_DONTWAIT | MSG_NOSIGNAL,
                      reinterpret_cast<sockaddr*>(&to), sizeof to);
    while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(sizeof packet);
}

std::vector<ArpPacket> ArpSocket::receive() {
    std::vector<ArpPacket> packets;
    unsigned char buffer[256];
    for (std::size_t tries = 0; tries < kMaxPerReceive; ++tries) {
        sockaddr_ll from{};
        socklen_t fromSize = sizeof from;
        const ssize_t got =
            recvfrom(fd_, buffer, sizeof buffer, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break; // nothing more waits, or the socket failed: the caller's waits go on
        // Our own probes going out are seen here too; they were never heard on a LAN.
        if (fromSize < sizeof from || from.sll_pkttype == PACKET_OUTGOING)
            continue;
        // A longer packet is cut to the buffer: only the first 28 bytes count.
        const std::size_t size = std::min(static_cast<std::size_t>(got), sizeof buffer);
        if (std::optional<ArpPacket> packet =
                ParseArpPacket(buffer, size, static_cast<unsigned>(from.sll_ifindex)))
            packets.push_back(std::move(*packet));
    }
    return packets;
}

} // namespace lumiq
