#pragma once
// One ARP packet heard on an adapter, its fields checked: what the packet
// socket reads (net/ArpSocket.h) and the address probe weighs
// (fleet/AddressProbe.h).

#include <cstdint>
#include <string>

namespace lumiq {

struct ArpPacket {
    unsigned ifindex = 0;
    bool request = false;       // a request (a probe when senderIp is 0), else a reply
    std::uint32_t senderIp = 0; // network order
    std::uint32_t targetIp = 0; // network order
    std::string senderMac;      // lower-case "aa:bb:cc:dd:ee:ff"
};

} // namespace lumiq
