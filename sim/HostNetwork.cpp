#include "sim/HostNetwork.h"

#include <sys/stat.h>

#include <fstream>

namespace lumiq::sim {

namespace {

// Kernels since 6.x give the machine's network namespace this fixed inode;
// inodes handed out to other namespaces start above 0xf0000000.
constexpr ino_t kInitNetInode = 0xeffffff9;

// Kernel threads live in the machine's namespaces, and pid 2 is the thread
// that starts them, where this process shares the machine's pid namespace.
// Some sandboxes hide pid 1's namespaces even from root, but not pid 2's.
bool IsKernelThreadStarter(const char* statPath) {
    std::ifstream stat(statPath);
    std::string pid;
    std::string name;
    return stat >> pid >> name && name == "(kthreadd)";
}

} // namespace

NetnsVerdict CheckNetns(const std::vector<std::string>& machinePaths) {
    struct stat own {};
    if (stat("/proc/self/ns/net", &own) != 0)
        return NetnsVerdict::Unknown;
    if (own.st_ino == kInitNetInode)
        return NetnsVerdict::Machine;
    std::vector<std::string> candidates = machinePaths;
    if (IsKernelThreadStarter("/proc/2/stat"))
        candidates.push_back("/proc/2/ns/net");
    bool compared = false;
    for (const auto& path : candidates) {
        struct stat machine {};
        if (stat(path.c_str(), &machine) != 0)
            continue;
        if (machine.st_dev == own.st_dev && machine.st_ino == own.st_ino)
            return NetnsVerdict::Machine;
        compared = true;
    }
    return compared ? NetnsVerdict::Private : NetnsVerdict::Unknown;
}

std::string HostNetworkRefusal(NetnsVerdict verdict) {
    const std::string why = verdict == NetnsVerdict::Machine
                                ? "this is the machine's own network namespace"
                                : "cannot tell whether this is the machine's own network namespace";
    return "lumiq-sim: refusing to answer on UDP: " + why +
           ".\n"
           "Its replies go to 255.255.255.255 and would leave this machine for the real network.\n"
           "Run the simulated modules inside a private test network instead, for example:\n"
           "    scripts/netbed run --modules 3 -- build/app/lumiq-config\n"
           "    scripts/netbed run --config modules.ini --pty /tmp/lumiq-serial0 -- bash\n"
           "(as root). A module on a pseudo-terminal alone (--modules 0 --pty PATH) needs no network.\n"
           "Only if you really mean to put simulated modules on this machine's network, add\n"
           "--dangerous-use-host-network.\n";
}

} // namespace lumiq::sim
