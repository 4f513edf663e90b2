#pragma once
// The namespace a flood comes from, joined to this one (the tool's host) by a
// veth of its own:
//
//   this namespace                     namespace "lumiq-flood-<pid>-<n>"
//   lqf<pid>x<n>  10.78.0.1/16  <--veth-->  fl0  10.78.0.2/16
//
// Not the simulated modules' LAN: a broadcast flood sent there would reach
// the simulator too, which records every frame it receives, and the module
// meant to stay well-behaved would be flooded with the tool. The tool reads
// every adapter on its one socket, so to it this is a second LAN.

#include <string>

#include "tests/support/Netns.h"

namespace lumiq::bench {

class FloodLan {
public:
    FloodLan();
    ~FloodLan();
    FloodLan(const FloodLan&) = delete;
    FloodLan& operator=(const FloodLan&) = delete;

    // The tool's address on this LAN.
    const std::string& hostAddress() const { return hostAddress_; }
    // A UDP socket inside the namespace, allowed to broadcast; closed by the
    // destructor.
    int socket() const { return socket_; }

private:
    std::string hostAddress_ = "10.78.0.1";
    std::string hostInterface_;
    testbed::Namespace lan_;
    int socket_ = -1;
};

} // namespace lumiq::bench
