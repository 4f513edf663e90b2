#include "net/HostAddress.h"

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

} // namespace

std::uint32_t ChooseLocalAddress(std::uint32_t resolved, const std::vector<Adapter>& adapters) {
    bool held = false;
    for (const auto& adapter : adapters)
        held = held || adapter.address == resolved;
    if (held && !IsLoopback(resolved))
        return resolved;
    for (const auto& adapter : adapters)
        if (adapter.up && !adapter.loopback && adapter.canBroadcast)
            return adapter.address;
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
    for (const auto& adapter : ListAdaptersWithLoopback())
        if (adapter.address == address)
            return adapter.index;
    return 0;
}

} // namespace lumiq
