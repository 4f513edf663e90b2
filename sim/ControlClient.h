#pragma once
// The client side of the control socket (ControlCommands.h), for
// "lumiq-sim ctl" and for tests.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "sim/UniqueFd.h"

namespace lumiq::sim {

class ControlClient {
public:
    // Connects; throws when nobody listens at `path`.
    explicit ControlClient(const std::string& path);

    struct Reply {
        bool ok = false;
        std::string error;              // the reason after "ERROR "
        std::vector<std::string> lines; // the lines after "OK <n>"
    };

    // Sends one command and waits for its whole reply. Throws on a broken
    // connection, a garbled reply, or no reply within `timeout`.
    Reply request(std::string_view command, std::chrono::milliseconds timeout);

private:
    std::string readLine(std::chrono::steady_clock::time_point deadline);

    UniqueFd fd_;
    std::string input_;
};

} // namespace lumiq::sim
