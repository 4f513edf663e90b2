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

} // namespace lumiq
