#pragma once
// One UDP datagram sent from a chosen local address and adapter
// (IP_PKTINFO). A socket bound to the wildcard address needs this to make its
// broadcasts leave through the right adapter with the right sender address;
// without it Linux picks the adapter from the routing table, and with no
// default route a broadcast fails outright. Plain POSIX: the tool's socket
// component and the module simulator both use it.

#include <netinet/in.h>
#include <sys/types.h>

#include <cstddef>

namespace lumiq {

// sendmsg() with an IP_PKTINFO control message naming `source` and `ifindex`
// (0: let the kernel choose the adapter for `source`). Returns what sendmsg
// returns; errno tells why it failed.
ssize_t SendWithPacketInfo(int fd, const void* data, std::size_t length, const sockaddr_in& to,
                           in_addr source, int ifindex, int flags);

} // namespace lumiq
