#pragma once
// What the benchmarks that drive the real main window share: their start,
// and waiting the way the program's own event loop waits.

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>

#include "app/GuardedApplication.h"
#include "serial/ui/ComSetupFrm.h"
#include "state/ProgramFolder.h"

namespace lumiq::bench {

// Runs the event loop the way the program's own loop runs, blocking until an
// event comes, and checks `done` each time the loop is about to block again;
// false at the deadline. (The test harness's waits sleep between rounds of
// events, which would add their sleeps to every round trip measured here.)
inline bool LoopUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done())
        return true;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop,
                     [&] {
                         if (done())
                             loop.quit();
                     });
    deadline.start(timeoutMs);
    loop.exec();
    return done();
}

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
