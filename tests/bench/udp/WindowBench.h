#pragma once
// What the benchmarks that drive the real main window share: their start,
// and waiting the way the program's own event loop waits.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>

#include "app/GuardedApplication.h"
#include "serial/ui/ComSetupFrm.h"
#include "state/ProgramFolder.h"
#include "tests/e2e/harness/EventWait.h"

namespace lumiq::bench {

using test::ServeUntil;

// main() of a window benchmark: the application object made as the program
// makes it, then `body` with the runs asked for on the command line (argv[1],
// else `defaultRuns`). Returns the exit status.
inline int RunWindowBench(int argc, char** argv, const char* name, int defaultRuns, int (*body)(int runs)) {
    const int asked = argc > 1 ? std::atoi(argv[1]) : 0;
    InitComPortUi(ProgramFolder());
    GuardedApplication app(argc, argv);
    try {
        return body(asked > 0 ? asked : defaultRuns);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", name, e.what());
        return 1;
    }
}

} // namespace lumiq::bench
