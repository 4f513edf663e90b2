#include "trace/Sll2Record.h"

#include <netinet/in.h>

namespace lumiq {

namespace {

// No link-layer header was captured: the packet follows the cooked header.
constexpr std::uint16_t kArphrdNone = 0xFFFE;
constexpr std::uint8_t kDefaultTtl = 64;

void Put16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value >> 8));
    out.push_back(static_cast<char>(value & 0xFF));
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, static_cast<std::uint16_t>(value >> 16));
    Put16(out, static_cast<std::uint16_t>(value & 0xFFFF));
}

// Addresses arrive in network order: their bytes are already in wire order.
void PutNetworkOrder(std::string& out, std::uint32_t address) {
    out.append(reinterpret_cast<const char*>(&address), sizeof address);
}

std::string Sll2Header(std::uint16_t protocol, unsigned ifindex, Sll2Direction direction) {
    std::string header;
    header.reserve(kSll2HeaderSize);
    Put16(header, protocol);
    Put16(header, 0);
    Put32(header, ifindex);
    Put16(header, kArphrdNone);
    header.push_back(static_cast<char>(direction));
    header.push_back(0); // no link-layer address
    header.append(8, '\0');
    return header;
}

} // namespace

std::uint16_t InternetChecksum(std::string_view bytes, std::uint32_t sum) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        sum += static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]) << 8 |
                                          static_cast<unsigned char>(bytes[i + 1]));
    if (bytes.size() % 2 != 0)
        sum += static_cast<std::uint32_t>(static_cast<unsigned char>(bytes.back()) << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

std::string UdpRecord(Sll2Direction direction, const DatagramEnds& ends, std::string_view payload,
                      std::uint16_t ipId) {
    payload = payload.substr(0, kMaxUdpPayload);
    const auto udpLength = static_cast<std::uint16_t>(8 + payload.size());

    std::string ip;
    ip.reserve(20);
    ip.push_back(0x45); // version 4, 20-byte header
    ip.push_back(0);
    Put16(ip, static_cast<std::uint16_t>(20 + udpLength));
    Put16(ip, ipId);
    Put16(ip, 0); // no fragments
    ip.push_back(static_cast<char>(kDefaultTtl));
    ip.push_back(static_cast<char>(IPPROTO_UDP));
    Put16(ip, 0);
    PutNetworkOrder(ip, ends.sourceIp);
    PutNetworkOrder(ip, ends.destinationIp);
    const std::uint16_t ipSum = InternetChecksum(ip);
    ip[10] = static_cast<char>(ipSum >> 8);
    ip[11] = static_cast<char>(ipSum & 0xFF);

    std::string udp;
    udp.reserve(udpLength);
    Put16(udp, ends.sourcePort);
    Put16(udp, ends.destinationPort);
    Put16(udp, udpLength);
    Put16(udp, 0);
    udp.append(payload);
    // The pseudo-header: both addresses, the protocol and the UDP length.
    std::uint32_t pseudo = IPPROTO_UDP + udpLength;
    for (const std::uint32_t address : {ends.sourceIp, ends.destinationIp}) {
        const std::uint32_t host = ntohl(address);
        pseudo += (host >> 16) + (host & 0xFFFF);
    }
    std::uint16_t udpSum = InternetChecksum(udp, pseudo);
    if (udpSum == 0)
        udpSum = 0xFFFF; // 0 would mean "no checksum"
    udp[6] = static_cast<char>(udpSum >> 8);
    udp[7] = static_cast<char>(udpSum & 0xFF);

    return Sll2Header(kEtherTypeIpv4, ends.ifindex, direction) + ip + udp;
}

std::string SerialRecord(Sll2Direction direction, std::string_view bytes) {
    return Sll2Header(kEtherTypeSerial, 0, direction).append(bytes);
}

} // namespace lumiq
