#pragma once
// An address's hardware address, from the adapter list or the neighbour table.
// Plain libc, like the adapter list it reads.

#include <string>
#include <string_view>

namespace lumiq {

// Lower-case "xx:xx:xx:xx:xx:xx" hardware address for an IPv4 address: the
// adapter's own for one of this host's addresses, else the neighbour table's
// entry. Empty when there is none, for an invalid text, and for loopback
// (whose all-zero hardware address names nothing on a network).
std::string MacOfIp(std::string_view dottedText);

} // namespace lumiq
