#pragma once
// One record of a trace in the Linux "cooked" capture form v2 (link type
// LINUX_SLL2): a 20-byte header naming the protocol, the adapter and the
// direction, then the packet. A datagram becomes a whole IPv4/UDP packet, so
// that any reader of traces shows it as such; serial bytes go under the IEEE
// local experimental ethertype as they were written or read.

#include <cstdint>
#include <string>
#include <string_view>

#include "trace/TrafficTap.h"

namespace lumiq {

inline constexpr int kLinkTypeLinuxSll2 = 276;
inline constexpr std::uint16_t kEtherTypeIpv4 = 0x0800;
inline constexpr std::uint16_t kEtherTypeSerial = 0x88B5;
inline constexpr std::size_t kSll2HeaderSize = 20;
// What one IPv4 packet can carry after its 20-byte header and the 8-byte
// UDP header; longer payloads are cut there.
inline constexpr std::size_t kMaxUdpPayload = 65535 - 28;

// The packet types of the header that a trace uses.
enum class Sll2Direction : std::uint8_t { ToUs = 0, Outgoing = 4 };

// `ipId` numbers the IPv4 packets of one trace.
std::string UdpRecord(Sll2Direction direction, const DatagramEnds& ends, std::string_view payload,
                      std::uint16_t ipId);
std::string SerialRecord(Sll2Direction direction, std::string_view bytes);

// The Internet checksum (RFC 1071) of `bytes` folded onto `sum`.
std::uint16_t InternetChecksum(std::string_view bytes, std::uint32_t sum = 0);

} // namespace lumiq
