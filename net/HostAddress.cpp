#include "net/HostAddress.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace lumiq {

namespace {

bool IsLoopback(std::uint32_t address) {
    unsigned char octets[4];
    std::memcpy(octets, &address, sizeof octets);
    return octets[0] == 127;
}

// Address labels such as "eth0:1" name no interface of their own.
unsigned IndexOfAdapterName(const char* name) {
    std::string device = name;
    device = device.substr(0, device.find(':'));
    return if_nametoindex(device.c_str());
}

}  // namespace

std::vector<AdapterAddress> ListAdapterAddresses() {
    std::vector<AdapterAddress> adapters;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return adapters;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        sockaddr_in address{};
        std::memcpy(&address, entry->ifa_addr, sizeof address);
        adapters.push_back({address.sin_addr.s_addr, entry->ifa_flags, IndexOfAdapterName(entry->ifa_name)});
    }
    freeifaddrs(list);
    return adapters;
}

std::uint32_t ChooseLocalAddress(std::uint32_t resolved, const std::vector<AdapterAddress>& adapters) {
    bool held = false;
    for (const auto& adapter : adapters) held = held || adapter.address == resolved;
    if (held && !IsLoopback(resolved)) return resolved;
    for (const auto& adapter : adapters) {
        const bool usable = (adapter.flags & IFF_UP) != 0 && (adapter.flags & IFF_LOOPBACK) == 0 &&
                            (adapter.flags & IFF_BROADCAST) != 0;
        if (usable) return adapter.address;
    }
    return resolved;
}

std::optional<std::uint32_t> ResolveFirstIpv4(const std::string& name) {
    hostent entry{};
    hostent* found = nullptr;
    int lookupError = 0;
    std::vector<char> work(1024);
    // The reentrant lookup asks for a larger work area until its results fit.
    while (gethostbyname2_r(name.c_str(), AF_INET, &entry, work.data(), work.size(), &found, &lookupError) ==
               ERANGE &&
           work.size() < 1024 * 1024)
        work.resize(work.size() * 2);
    if (found == nullptr || found->h_addr_list == nullptr || found->h_addr_list[0] == nullptr ||
        found->h_length != 4)
        return std::nullopt;
    std::uint32_t address = 0;
    std::memcpy(&address, found->h_addr_list[0], sizeof address);
    return address;
}

unsigned InterfaceIndexOf(std::uint32_t address) {
    for (const auto& adapter : ListAdapterAddresses())
        if (adapter.address == address) return adapter.index;
    return 0;
}

}  // namespace lumiq
