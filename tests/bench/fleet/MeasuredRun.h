#pragma once
// Runs a program to its end as tests/support/ProgramRun.h does, and also
// keeps the most memory it held: its own peak resident set, taken from
// wait4() for that one child, so that neither the simulators nor earlier
// runs enter the figure.

#include <chrono>
#include <string>
#include <vector>

namespace lumiq::bench {

struct MeasuredResult {
    int exitStatus = -1; // -1 when it ended by a signal
    std::string out;
    std::string err;
    double elapsedMs = 0; // from start to end, on std::chrono::steady_clock
    long peakKiB = 0;     // ru_maxrss of the program
};

// argv[0] is the program's path; stdin is /dev/null. Throws
// std::runtime_error when it cannot be started or has not ended within
// `limit` (it is killed then).
MeasuredResult RunMeasured(const std::vector<std::string>& argv, std::chrono::milliseconds limit);

} // namespace lumiq::bench
