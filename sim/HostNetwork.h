#pragma once
// The simulator answers broadcasts with broadcasts. In the machine's own
// network namespace they would leave the machine and reach the real LAN, so
// the UDP side runs only in a namespace of its own (scripts/netbed makes one).

#include <string>
#include <vector>

namespace lumiq::sim {

enum class NetnsVerdict {
    Private, // not the machine's namespace: safe
    Machine, // the machine's own namespace
    Unknown, // cannot tell (no access to the namespace files)
};

// Compares this process's network namespace with each of `machinePaths`
// (normally just /proc/1/ns/net, the namespace of the machine's init).
NetnsVerdict CheckNetns(const std::vector<std::string>& machinePaths);

// What to tell a technician who started the simulator in the wrong place.
std::string HostNetworkRefusal(NetnsVerdict verdict);

} // namespace lumiq::sim
