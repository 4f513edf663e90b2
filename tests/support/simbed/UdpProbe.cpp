#include "tests/support/simbed/UdpProbe.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <poll.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "sim/UdpLink.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq::testbed {

namespace {

constexpr std::uint16_t kPort = 5000;

std::string Text(in_addr address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

} // namespace

std::string UdpFrame(std::string_view targetMac, std::string_view command, std::string_view senderMac) {
    return "<" + std::string(targetMac) + ">,<" + std::string(senderMac) + ">," + std::string(command) +
           "\r\n";
}

// The simulator's own socket does what the tool's does: bound to
// 0.0.0.0:5000, sending from a chosen address out of a chosen adapter, and
// receiving unicast and broadcast datagrams alike.
UdpProbe::UdpProbe(const SimLan& lan)
    : link_(std::make_unique<sim::UdpLink>(kPort)),
      ifindex_(static_cast<int>(if_nametoindex(lan.hostInterface().c_str()))) {
    inet_pton(AF_INET, lan.hostAddress().c_str(), &source_);
}

UdpProbe::~UdpProbe() = default;

void UdpProbe::broadcast(std::string_view frame) {
    send(in_addr{htonl(INADDR_BROADCAST)}, frame);
}

void UdpProbe::sendTo(const std::string& address, std::string_view frame) {
    in_addr to{};
    inet_pton(AF_INET, address.c_str(), &to);
    send(to, frame);
}

void UdpProbe::send(in_addr to, std::string_view frame) {
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(kPort);
    destination.sin_addr = to;
    if (const int error = link_->send(frame, destination, source_, ifindex_); error != 0)
        throw std::runtime_error("UdpProbe: send to " + Text(to) + ": " + std::strerror(error));
}

std::optional<ProbeDatagram> UdpProbe::receive(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        auto datagram = link_->receive();
        // Our own broadcasts come back to a socket bound to 0.0.0.0; the
        // tool drops them by sender address, and so do we.
        if (datagram && datagram->peer.sin_addr.s_addr == source_.s_addr)
            continue;
        if (datagram)
            return ProbeDatagram{std::move(datagram->bytes), Text(datagram->peer.sin_addr),
                                 ntohs(datagram->peer.sin_port), Text(datagram->destination)};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        pollfd fd{link_->fd(), POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left.count())) < 0 && errno != EINTR)
            throw std::runtime_error("UdpProbe: poll failed");
    }
}

std::vector<ProbeDatagram> UdpProbe::receive(std::size_t count, std::chrono::milliseconds timeout) {
    std::vector<ProbeDatagram> datagrams;
    if (count > 0)
        collect([&](const ProbeDatagram&) { return datagrams.size() >= count; }, timeout, datagrams);
    return datagrams;
}

std::vector<ProbeDatagram> UdpProbe::receiveThrough(const std::function<bool(const ProbeDatagram&)>& last,
                                                    std::chrono::milliseconds timeout) {
    std::vector<ProbeDatagram> datagrams;
    if (!collect(last, timeout, datagrams))
        throw std::runtime_error("UdpProbe: the awaited datagram did not come; " +
                                 std::to_string(datagrams.size()) + " others did");
    return datagrams;
}

bool UdpProbe::collect(const std::function<bool(const ProbeDatagram&)>& last,
                       std::chrono::milliseconds timeout, std::vector<ProbeDatagram>& into) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        auto datagram = receive(std::max(left, std::chrono::milliseconds(0)));
        if (!datagram)
            return false;
        into.push_back(std::move(*datagram));
        if (last(into.back()))
            return true;
    }
}

} // namespace lumiq::testbed
