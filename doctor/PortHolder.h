#pragma once
// Who holds a local UDP port: the program names that /proc tells about the
// sockets bound to it, so that "port 5000 taken" can say what to close.

#include <cstdint>
#include <string>
#include <vector>

namespace lumiq::doctor {

struct PortHolder {
    std::string command; // the process's name, as /proc/PID/comm has it
    int pid = 0;
};

// Every process with a socket bound to `port`, each once; those /proc does
// not show (another user's, when not run as root) are missing.
std::vector<PortHolder> UdpPortHolderList(std::uint16_t port);

// "lumiq-config (pid 1234)", several joined by ", "; empty when /proc does
// not tell (another user's program, when not run as root).
std::string UdpPortHolders(std::uint16_t port);

} // namespace lumiq::doctor
