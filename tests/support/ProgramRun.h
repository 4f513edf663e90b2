#pragma once
// Runs a program to its end for a test or a benchmark, as a shell would:
// stdin from /dev/null (so it sees no terminal), stdout and stderr captured,
// the exit status kept. The caller's environment and network namespace are
// inherited.

#include <chrono>
#include <string>
#include <vector>

namespace lumiq::testbed {

struct ProgramResult {
    int exitStatus = -1; // -1 when it ended by a signal
    std::string out;
    std::string err;
    double elapsedMs = 0; // from start to end, on the frame log's clock
    long peakKiB = 0;     // its own peak resident set (wait4's ru_maxrss for this child alone)
};

// argv[0] is the program's path. Throws std::runtime_error when it cannot
// be started or has not ended within `limit` (it is killed then).
ProgramResult RunProgram(const std::vector<std::string>& argv,
                         std::chrono::milliseconds limit = std::chrono::minutes(2));

} // namespace lumiq::testbed
