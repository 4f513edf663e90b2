#pragma once
// Plays the tool's part on a SimLan's UDP link without the tool: a socket on
// 0.0.0.0:5000 in the host namespace that broadcasts frames out of the LAN's
// veth from the host's address and receives unicast and broadcast replies.

#include <netinet/in.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumiq::sim {
class UdpLink;
}

namespace lumiq::testbed {

class SimLan;

// "<" + target + ">,<" + sender + ">," + command + "\r\n".
std::string UdpFrame(std::string_view targetMac, std::string_view command,
                     std::string_view senderMac = "00:11:22:33:44:55");

struct ProbeDatagram {
    std::string bytes;
    std::string from;       // sender address
    std::uint16_t port = 0; // sender port
    std::string to;         // destination address: 255.255.255.255 for a broadcast reply
};

class UdpProbe {
public:
    // Throws when port 5000 cannot be bound here.
    explicit UdpProbe(const SimLan& lan);
    ~UdpProbe();
    UdpProbe(const UdpProbe&) = delete;
    UdpProbe& operator=(const UdpProbe&) = delete;

    // To 255.255.255.255:5000, out of the LAN's veth, from the host address.
    void broadcast(std::string_view frame);
    // To one address, port 5000.
    void sendTo(const std::string& address, std::string_view frame);

    // The next datagram, or nothing after `timeout`. Datagrams from the host
    // address (our own broadcasts, looped back) are skipped.
    std::optional<ProbeDatagram> receive(std::chrono::milliseconds timeout);
    // Datagrams until `count` have come, or the time-out ends the wait.
    std::vector<ProbeDatagram> receive(std::size_t count, std::chrono::milliseconds timeout);
    // Everything up to and including the first datagram `last` accepts;
    // throws when that one has not come within `timeout`. Because the
    // simulator answers frames in order, a reply to a later frame marks the
    // point by which every earlier answer sent at once has come.
    std::vector<ProbeDatagram> receiveThrough(const std::function<bool(const ProbeDatagram&)>& last,
                                              std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    void send(in_addr to, std::string_view frame);
    // Appends datagrams to `into` until `last` accepts one (true) or the
    // time is up (false).
    bool collect(const std::function<bool(const ProbeDatagram&)>& last, std::chrono::milliseconds timeout,
                 std::vector<ProbeDatagram>& into);

    std::unique_ptr<sim::UdpLink> link_;
    int ifindex_ = 0;
    in_addr source_{};
};

} // namespace lumiq::testbed
