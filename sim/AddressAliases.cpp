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
    if (getifaddrs(&list) != 0) return held;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET || device != entry->ifa_name)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr, text, sizeof text);
        held.insert(text);
    }
    freeifaddrs(list);
    return held;
}

// One "ip" process for all lines: hundreds of aliases in well under a second.
bool RunIpBatch(const std::vector<std::string>& lines) {
    if (lines.empty()) return true;
    std::FILE* ip = popen("ip -batch -", "w");
    if (ip == nullptr) return false;
    for (const auto& line : lines) std::fprintf(ip, "%s\n", line.c_str());
    return pclose(ip) == 0;
}

}  // namespace

AddressAliases::AddressAliases(std::string device, const std::vector<std::string>& addresses)
    : device_(std::move(device)) {
    if (if_nametoindex(device_.c_str()) == 0) throw std::runtime_error("no network adapter " + device_);
    const std::set<std::string> held = AddressesOf(device_);
    std::vector<std::string> lines;
    std::set<std::string> seen;
    for (const auto& address : addresses) {
        if (held.count(address) != 0 || !seen.insert(address).second) continue;
        lines.push_back("address add " + address + "/32 dev " + device_);
        added_.push_back(address);
    }
    if (!RunIpBatch(lines)) {
        // Take back what did get added before the failure.
        const std::set<std::string> now = AddressesOf(device_);
        std::vector<std::string> undo;
        for (const auto& address : added_)
            if (now.count(address) != 0) undo.push_back("address del " + address + "/32 dev " + device_);
        RunIpBatch(undo);
        throw std::runtime_error("could not add the module addresses to " + device_ + " (ip address add failed)");
    }
}

AddressAliases::~AddressAliases() {
    std::vector<std::string> lines;
    for (const auto& address : added_) lines.push_back("address del " + address + "/32 dev " + device_);
    RunIpBatch(lines);
}

}  // namespace lumiq::sim
