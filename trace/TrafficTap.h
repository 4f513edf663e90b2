#pragma once
// What the socket and the serial component report when a front end records
// the traffic: every datagram sent and received, every serial write and
// read, with the bytes that actually went or came. Header only and plain
// C++, so net/ and serial/ include it without linking the trace library.
//
// The serial component may report from its event thread (handlers without
// synchronisation read there): a tap must take calls from any thread.

#include <cstdint>
#include <string_view>

namespace lumiq {

// Addresses in network order, ports in host order.
struct DatagramEnds {
    std::uint32_t sourceIp = 0;
    std::uint16_t sourcePort = 0;
    std::uint32_t destinationIp = 0;
    std::uint16_t destinationPort = 0;
    unsigned ifindex = 0; // the adapter it left or arrived on; 0 when not known
};

class TrafficTap {
public:
    virtual void datagramSent(const DatagramEnds& ends, std::string_view bytes) = 0;
    virtual void datagramReceived(const DatagramEnds& ends, std::string_view bytes) = 0;
    virtual void serialWritten(std::string_view bytes) = 0;
    virtual void serialRead(std::string_view bytes) = 0;

protected:
    ~TrafficTap() = default;
};

} // namespace lumiq
