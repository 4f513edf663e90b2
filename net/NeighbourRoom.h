#pragma once
// How many hosts this machine may send to straight at once without crowding
// its neighbour (ARP) table. Every address sent to by unicast takes an entry
// that stays for many seconds; past the kernel's hard limit
// (net.ipv4.neigh.default.gc_thresh3, 1024 by default, counted over every
// network namespace) new entries fail and the host loses touch with hosts it
// needs, its gateway included. Half the limit is left for them.

#include <string>

namespace lumiq {

// Half of the limit read from `thresholdFile`; 512 when it cannot be read
// (inside a network namespace the file is absent, and the limit is the
// kernel's default).
int NeighbourRoom(const std::string& thresholdFile = "/proc/sys/net/ipv4/neigh/default/gc_thresh3");

} // namespace lumiq
