// Address resolution on Linux. For one of this host's own addresses the answer
// is the hardware address of the adapter that holds it; for any other address
// it is the kernel's neighbour (ARP) table entry, used only when complete. No
// request is sent on the network: the tool asks only for its own address.

#include "net/MacOfIp.h"

#include <arpa/inet.h>
#include <net/if_arp.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "net/AdapterList.h"

namespace lumiq {

namespace {

using HardwareAddress = std::array<unsigned char, 6>;

bool IsAllZero(const HardwareAddress& mac) {
    for (unsigned char byte : mac)
        if (byte != 0)
            return false;
    return true;
}

// The adapter's own hardware address when `address` is held by one of this
// host's adapters. Loopback and adapters without a six-byte hardware address
// (tunnels, for example) have none to give, so they count as no answer:
// std::nullopt means "not ours", an empty text "ours, but no address".
std::optional<std::string> OwnAdapterMac(in_addr_t address) {
    for (const Adapter& adapter : ListAdaptersWithLoopback())
        if (adapter.address == address)
            return adapter.loopback ? std::string() : adapter.macText;
    return std::nullopt;
}

bool ParseMac(const std::string& text, HardwareAddress& mac) {
    unsigned int bytes[6];
    char tail = 0;
    if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &bytes[0], &bytes[1], &bytes[2], &bytes[3],
                    &bytes[4], &bytes[5], &tail) != 6)
        return false;
    for (std::size_t i = 0; i < mac.size(); ++i)
        mac[i] = static_cast<unsigned char>(bytes[i]);
    return true;
}

// /proc/net/arp lists this namespace's IPv4 neighbours:
// "IP address  HW type  Flags  HW address  Mask  Device".
std::string NeighbourMac(in_addr_t address) {
    std::ifstream table("/proc/net/arp");
    std::string line;
    std::getline(table, line); // column titles
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string ip, hwType, flags, mac;
        if (!(fields >> ip >> hwType >> flags >> mac))
            continue;
        in_addr entryAddress{};
        if (inet_pton(AF_INET, ip.c_str(), &entryAddress) != 1 || entryAddress.s_addr != address)
            continue;
        // An entry still being resolved, or one that failed, has no address yet.
        if ((std::strtoul(flags.c_str(), nullptr, 16) & ATF_COM) == 0)
            continue;
        HardwareAddress bytes{};
        if (ParseMac(mac, bytes) && !IsAllZero(bytes))
            return HardwareAddressText(bytes.data());
    }
    return std::string();
}

} // namespace

std::string MacOfIp(std::string_view dottedText) {
    in_addr address{};
    // inet_pton needs a terminated text; it refuses anything but four decimal
    // octets, and 0.0.0.0 names no host.
    if (inet_pton(AF_INET, std::string(dottedText).c_str(), &address) != 1 || address.s_addr == 0)
        return std::string();
    if (const std::optional<std::string> own = OwnAdapterMac(address.s_addr))
        return *own;
    return NeighbourMac(address.s_addr);
}

} // namespace lumiq
