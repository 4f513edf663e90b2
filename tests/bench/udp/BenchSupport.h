#pragma once
// What the UDP benchmarks share: the clock they and the simulator's frame log
// both use, and a small summary of repeated figures.

#include <algorithm>
#include <chrono>
#include <vector>

namespace lumiq::bench {

// CLOCK_MONOTONIC in milliseconds: the clock of the simulator's frame log.
inline double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Spread {
    double min = 0, median = 0, max = 0;
};

inline Spread SpreadOf(std::vector<double> values) {
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    return {values.front(), values[values.size() / 2], values.back()};
}

} // namespace lumiq::bench
