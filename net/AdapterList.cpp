#include "net/AdapterList.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netpacket/packet.h>

#include <bit>
#include <cstdio>
#include <cstring>
#include <map>

namespace lumiq {

namespace {

class InterfaceList {
public:
    InterfaceList() {
        if (getifaddrs(&list_) != 0)
            list_ = nullptr;
    }
    ~InterfaceList() {
        if (list_ != nullptr)
            freeifaddrs(list_);
    }
    InterfaceList(const InterfaceList&) = delete;
    InterfaceList& operator=(const InterfaceList&) = delete;
    const ifaddrs* first() const { return list_; }

private:
    ifaddrs* list_ = nullptr;
};

// Address labels such as "eth0:1" name no interface of their own.
std::string DeviceOf(const char* name) {
    const std::string label = name;
    return label.substr(0, label.find(':'));
}

std::uint32_t Ipv4Of(const sockaddr* address) {
    if (address == nullptr || address->sa_family != AF_INET)
        return 0;
    sockaddr_in inet{};
    std::memcpy(&inet, address, sizeof inet);
    return inet.sin_addr.s_addr;
}

// Loopback and tunnels have no six-byte hardware address; an all-zero one is
// no address either.
std::map<std::string, std::string> HardwareAddressesByDevice(const InterfaceList& interfaces) {
    std::map<std::string, std::string> found;
    for (const ifaddrs* i = interfaces.first(); i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_PACKET)
            continue;
        sockaddr_ll link{};
        std::memcpy(&link, i->ifa_addr, sizeof link);
        static constexpr unsigned char kZero[6] = {};
        if (link.sll_halen != 6 || std::memcmp(link.sll_addr, kZero, 6) == 0)
            continue;
        found[i->ifa_name] = HardwareAddressText(link.sll_addr);
    }
    return found;
}

// Without a broadcast address of its own ("ip addr add" sets none unless
// told "brd +"), a broadcast-capable adapter still has its network's: the
// kernel routes address | ~mask as a broadcast for every prefix below 31.
// glibc then reports the address itself in the broadcast field.
std::uint32_t BroadcastOf(const ifaddrs& entry, std::uint32_t address, int prefix) {
    if ((entry.ifa_flags & IFF_BROADCAST) == 0)
        return 0;
    const std::uint32_t own = Ipv4Of(entry.ifa_broadaddr);
    if (own != 0 && own != address)
        return own;
    if (prefix >= 31)
        return 0;
    return address | htonl(~0u >> prefix);
}

std::vector<Adapter> Walk(bool withLoopback) {
    std::vector<Adapter> adapters;
    const InterfaceList interfaces;
    const auto hardware = HardwareAddressesByDevice(interfaces);
    for (const ifaddrs* i = interfaces.first(); i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET)
            continue;
        const bool loopback = (i->ifa_flags & IFF_LOOPBACK) != 0;
        if (loopback && !withLoopback)
            continue;
        Adapter adapter;
        adapter.name = i->ifa_name;
        const std::string device = DeviceOf(i->ifa_name);
        adapter.index = if_nametoindex(device.c_str());
        adapter.address = Ipv4Of(i->ifa_addr);
        adapter.prefix = std::popcount(Ipv4Of(i->ifa_netmask));
        adapter.broadcast = BroadcastOf(*i, adapter.address, adapter.prefix);
        if (const auto mac = hardware.find(device); mac != hardware.end())
            adapter.macText = mac->second;
        adapter.up = (i->ifa_flags & IFF_UP) != 0;
        adapter.canBroadcast = (i->ifa_flags & IFF_BROADCAST) != 0;
        adapter.loopback = loopback;
        adapters.push_back(std::move(adapter));
    }
    return adapters;
}

} // namespace

std::vector<Adapter> ListAdapters() {
    return Walk(false);
}

std::vector<Adapter> ListAdaptersWithLoopback() {
    return Walk(true);
}

const Adapter* AdapterByIndex(const std::vector<Adapter>& adapters, unsigned index) {
    for (const Adapter& adapter : adapters)
        if (adapter.index == index)
            return &adapter;
    return nullptr;
}

std::string AdapterLabel(const Adapter& adapter) {
    char address[INET_ADDRSTRLEN] = {};
    in_addr raw{};
    raw.s_addr = adapter.address;
    inet_ntop(AF_INET, &raw, address, sizeof address);
    return adapter.name + "  " + address + "/" + std::to_string(adapter.prefix);
}

std::string HardwareAddressText(const unsigned char* sixBytes) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", sixBytes[0], sixBytes[1], sixBytes[2],
                  sixBytes[3], sixBytes[4], sixBytes[5]);
    return text;
}

} // namespace lumiq
