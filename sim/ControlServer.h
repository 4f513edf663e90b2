#pragma once
// The control socket: a UNIX-domain stream socket at a path, so that a test
// in another network namespace can reach it. Each client line is one command
// (ControlCommands.h); replies go back in order. Never blocks the simulator.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/ControlCommands.h"
#include "sim/PollWatch.h"
#include "sim/UniqueFd.h"

namespace lumiq::sim {

class ControlServer {
public:
    using Clock = std::chrono::steady_clock;
    using Execute = std::function<ControlOutcome(std::string_view line)>;
    using FrameCount = std::function<std::size_t()>;

    // Listens at `path`. A stale socket file left by a simulator that died is
    // replaced; a live one, or any other file, makes the constructor throw.
    ControlServer(std::string path, Execute execute, FrameCount frameCount);
    // Removes the socket file if it is still this server's.
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    void collectWatches(std::vector<PollWatch>& watches);
    // Answers the waits that are met, or past their deadline.
    void settleWaits(Clock::time_point now);
    std::optional<Clock::time_point> nextDeadline() const;
    bool quitRequested() const { return quit_; }

private:
    struct Connection {
        UniqueFd fd;
        std::string input;
        std::string output;
        std::optional<FrameWait> wait;
        Clock::time_point deadline;
        bool closing = false;
    };

    void accept();
    void readFrom(Connection& connection);
    void runLines(Connection& connection);
    void writeTo(Connection& connection);

    std::string path_;
    ino_t inode_ = 0;
    UniqueFd listener_;
    Execute execute_;
    FrameCount frameCount_;
    std::list<Connection> connections_;
    bool quit_ = false;
};

} // namespace lumiq::sim
