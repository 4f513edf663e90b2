#include "sim/AddressAliases.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>

#include <cstdio>
#include <set>
#include <stdexcept>

namespace lumiq::sim {

namespace {

std::set<std::string> AddressesOf(const std::string& device) {
    std::set<std::string> held;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return held;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET || device != entry->ifa_name)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr, text,
                  sizeof text);
        held.insert(text);
    }
    freeifaddrs(list);
    return held;
}

// One "ip" process for all addresses: hundreds of aliases in well under a
// second. `verb` is "add" or "del".
bool ChangeAliases(const char* verb, const std::vector<std::string>& addresses, const std::string& device) {
    if (addresses.empty())
        return true;
    std::FILE* ip = popen("ip -batch -", "w");
    if (ip == nullptr)
        return false;
    for (const auto& address : addresses)
        std::fprintf(ip, "address %s %s/32 dev %s\n", verb, address.c_str(), device.c_str());
    return pclose(ip) == 0;
}

} // namespace

AddressAliases::AddressAliases(std::string device, const std::vector<std::string>& addresses)
    : device_(std::move(device)) {
    if (if_nametoindex(device_.c_str()) == 0)
        throw std::runtime_error("no network adapter " + device_);
    add(addresses);
}

void AddressAliases::add(const std::vector<std::string>& addresses) {
    const std::set<std::string> held = AddressesOf(device_);
    std::set<std::string> seen;
    std::vector<std::string> batch;
    for (const auto& address : addresses)
        if (held.count(address) == 0 && seen.insert(address).second)
            batch.push_back(address);
    if (!ChangeAliases("add", batch, device_)) {
        // Take back what did get added before the failure.
        const std::set<std::string> now = AddressesOf(device_);
        std::vector<std::string> undo;
        for (const auto& address : batch)
            if (now.count(address) != 0)
                undo.push_back(address);
        ChangeAliases("del", undo, device_);
        throw std::runtime_error("could not add the module addresses to " + device_ +
                                 " (ip address add failed)");
    }
    added_.insert(added_.end(), batch.begin(), batch.end());
}

AddressAliases::~AddressAliases() {
    ChangeAliases("del", added_, device_);
}

} // namespace lumiq::sim
