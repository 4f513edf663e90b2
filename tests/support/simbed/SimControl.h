#pragma once
// A test's handle on a running simulator: its control socket (the commands
// are listed in sim/ControlCommands.h) and its frame log, parsed.

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumiq::sim {
class ControlClient;
}

namespace lumiq::testbed {

// One line of the frame log (sim/FrameLog.h).
struct FrameRecord {
    double timeMs = 0;        // CLOCK_MONOTONIC, as std::chrono::steady_clock
    bool received = true;     // false: a reply the simulator sent
    std::string link;         // "udp" or "pty"
    std::string peer;         // "10.77.0.1:5000", or the terminal's link path
    std::vector<int> modules; // indices that took it (rx) or sent it (tx); empty: ignored
    std::string bytes;        // exactly as on the wire
};

// Now, on the frame log's clock (CLOCK_MONOTONIC in milliseconds), so that
// a test can set its own moments against the simulator's.
double MonotonicMs();

// Nothing for a line that is not a frame-log line.
std::optional<FrameRecord> ParseFrameLine(const std::string& line);

class SimControl {
public:
    // Connects to the control socket at `path`; throws when nobody listens.
    explicit SimControl(const std::string& path);
    ~SimControl();
    SimControl(SimControl&&) noexcept;
    SimControl& operator=(SimControl&&) noexcept;

    // Any command; returns the reply lines. Throws std::runtime_error with
    // the simulator's reason for an "ERROR" reply.
    std::vector<std::string> command(const std::string& line);

    // Current parameters by keyword (MODEL, GATEWAY, ..., NAME as GBK bytes).
    std::map<std::string, std::string> params(int module);
    // Like "AT+KEY=value"; a NAME is given in UTF-8.
    void set(int module, const std::string& keyword, const std::string& value);
    // A fault command after "fault <m> ": "silent on", "wrong 2", "delay 300",
    // "twice on", "malformed binary 2", "clear".
    void fault(int module, const std::string& setting);
    void replyByBroadcast(int module, bool broadcast);
    void reset(int module);
    void resetAll();

    std::vector<FrameRecord> frames();
    // Received frames only.
    std::vector<FrameRecord> received();
    void clearLog();
    // Returns once `count` frames have been received since the last
    // clearLog(); throws when that takes longer than `timeout`.
    void waitFrames(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    std::unique_ptr<sim::ControlClient> client_;
};

} // namespace lumiq::testbed
