#pragma once
// ARP on every adapter at once, for probing whether an address is held
// before it is given out: a packet socket (AF_PACKET) that sends address
// probes out of a chosen adapter and hears the ARP packets of all of them,
// each with the index of the adapter it came in on. Opening it needs the
// CAP_NET_RAW capability. Plain libc.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/ArpPacket.h"

namespace lumiq {

// The ARP payload of an Ethernet frame for IPv4 (28 bytes) read from `size`
// received bytes; nothing for a short packet, another hardware or protocol
// type or length, or an operation other than request and reply.
std::optional<ArpPacket> ParseArpPacket(const unsigned char* data, std::size_t size, unsigned ifindex);

class ArpSocketError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ArpSocket {
public:
    // Non-blocking and closed on exec. Throws ArpSocketError saying what to
    // do when the socket cannot be opened (the capability, most often).
    ArpSocket();
    ~ArpSocket();
    ArpSocket(const ArpSocket&) = delete;
    ArpSocket& operator=(const ArpSocket&) = delete;

    // Readable when ARP packets wait: for the caller's notifier.
    int fd() const { return fd_; }

    // A probe for `address` (network order) out of adapter `ifindex`: an ARP
    // request from the adapter's own hardware address and sender address
    // 0.0.0.0, to the broadcast address. False when it could not be sent (an
    // adapter without an Ethernet address, a full send queue): the caller
    // may go on, as a probe lost on the wire is also only silence.
    bool sendProbe(unsigned ifindex, std::uint32_t address);

    // Every ARP packet waiting, up to kMaxPerReceive, that came in on an
    // adapter; what this host sent itself is left out.
    std::vector<ArpPacket> receive();
    static constexpr std::size_t kMaxPerReceive = 256;

    // The adapter's own lower-case hardware address text, "" when it has no
    // Ethernet address.
    std::string macOf(unsigned ifindex);

private:
    using HardwareAddress = std::array<unsigned char, 6>;
    std::optional<HardwareAddress> hardwareAddressOf(unsigned ifindex);

    int fd_ = -1;
    std::map<unsigned, HardwareAddress> hardwareAddresses_; // only those found: an adapter may come later
};

} // namespace lumiq
