#include "tests/bench/udp/FloodLan.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>

namespace lumiq::bench {
namespace {

constexpr const char* kFloodInterface = "fl0";

std::string NextHostInterface() {
    static std::atomic<int> counter{0};
    return "lqf" + std::to_string(getpid()) + "x" + std::to_string(counter++);
}

} // namespace

FloodLan::FloodLan() : hostInterface_(NextHostInterface()), lan_("lumiq-flood") {
    try {
        testbed::AddVeth(hostInterface_, hostAddress_ + "/16", lan_, kFloodInterface, "10.78.0.2/16");
        // The limited broadcast needs a route to leave by; this one can only
        // lead to the tool.
        lan_.ip(std::string("route add default dev ") + kFloodInterface);
        socket_ = lan_.openSocket(AF_INET, SOCK_DGRAM);
        const int on = 1;
        if (setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0)
            throw std::runtime_error("SO_BROADCAST refused");
        // One byte to the discard port starts the address resolution now,
        // so that it is done long before the flood, whose first unicast
        // datagrams would otherwise overflow the queue of a resolution.
        sockaddr_in discard{};
        discard.sin_family = AF_INET;
        discard.sin_port = htons(9);
        inet_pton(AF_INET, hostAddress_.c_str(), &discard.sin_addr);
        sendto(socket_, "", 1, 0, reinterpret_cast<const sockaddr*>(&discard), sizeof discard);
    } catch (...) {
        if (socket_ >= 0)
            close(socket_);
        [[maybe_unused]] const int status = std::system(
            ("ip link del " + hostInterface_ + " 2>/dev/null").c_str()); // a clean-up that may find nothing
        throw;
    }
}

FloodLan::~FloodLan() {
    close(socket_);
    // Deleting our end removes the pair now, not when the kernel frees the
    // namespace.
    [[maybe_unused]] const int status = std::system(
        ("ip link del " + hostInterface_ + " 2>/dev/null").c_str()); // a clean-up that may find nothing
}

} // namespace lumiq::bench
