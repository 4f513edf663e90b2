#pragma once
// Conversions between IPv4 addresses (32-bit, network order: the first octet
// in the lowest-addressed byte), dotted texts and MAC texts.

#include <cstdint>
#include <string>
#include <string_view>

namespace lumiq {

// Four decimal octets, first octet first: 192.168.1.199.
std::string IpToText(std::uint32_t address);

// Our own permissive 8-bit parser (it must turn "255.255.255.255" into all
// ones, which the system parser cannot tell from failure). Throws
// RangeCheckError for an empty text.
std::uint32_t ParseIp(std::string_view text);

// Lower-case "xx:xx:xx:xx:xx:xx" hardware address for an IPv4 address: the
// adapter's own for one of this host's addresses, else the neighbour table's
// entry. Empty when there is none, for an invalid text, and for loopback
// (whose all-zero hardware address names nothing on a network).
std::string MacOfIp(std::string_view dottedText);

}  // namespace lumiq
