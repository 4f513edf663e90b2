#pragma once
// The host's IPv4 adapters, as the front ends offer them for a search and as
// the socket layer sends through them. One walk over getifaddrs serves every
// question about the host's own adapters: the list, the host's own address,
// an address's interface index and an own address's hardware address.
// Plain libc: the Qt-free libraries use it too.

#include <cstdint>
#include <string>
#include <vector>

namespace lumiq {

// One IPv4 address of one adapter; an adapter with two addresses is two
// entries with the same index.
struct Adapter {
    std::string name;            // "eth0", or an address label such as "eth0:1"
    unsigned index = 0;          // interface index
    std::uint32_t address = 0;   // IPv4, network order
    int prefix = 0;              // 24
    std::uint32_t broadcast = 0; // directed broadcast, network order; 0 when the adapter has none
    std::string macText;         // lower-case "xx:xx:xx:xx:xx:xx", empty when none
    bool up = false;
    bool canBroadcast = false;
    bool loopback = false; // only ever set in ListAdaptersWithLoopback()
};

// IPv4 adapters, one entry per address, loopback left out, in getifaddrs
// order. Empty when the system cannot list them.
std::vector<Adapter> ListAdapters();
// The same with the loopback adapter's addresses in their place: the host's
// own address and the hardware address of an own address must know them.
std::vector<Adapter> ListAdaptersWithLoopback();

// The first entry with that interface index, or null.
const Adapter* AdapterByIndex(const std::vector<Adapter>& adapters, unsigned index);

// "name  address/prefix" (two blanks), as the window's menu shows it.
std::string AdapterLabel(const Adapter& adapter);

// Six bytes as lower-case "xx:xx:xx:xx:xx:xx".
std::string HardwareAddressText(const unsigned char* sixBytes);

} // namespace lumiq
