#pragma once
// What the UDP benchmarks share: the frame log's clock and a small summary
// of repeated figures.

#include <algorithm>
#include <chrono>
#include <vector>

#include "tests/support/simbed/SimControl.h"

namespace lumiq::bench {

using testbed::MonotonicMs;

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
