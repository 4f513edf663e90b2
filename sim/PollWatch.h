#pragma once
// One descriptor the simulator's poll loop watches, and what to do when it
// is ready. Components hand these out afresh for every turn of the loop.

#include <functional>

namespace lumiq::sim {

struct PollWatch {
    int fd;
    short events;
    std::function<void(short revents)> ready;
};

} // namespace lumiq::sim
