// Times the read-all chain over the serial link: the real window, the setup
// dialog answered as an operator would, and one simulated module on a
// pseudo-terminal. Prints how the chain compares with its floor, 13 steps of
// a 300 ms receive window and a 150 ms pause each.
//
// Usage: bench_serial_readall [runs]   (inside scripts/in-netns; see
// scripts/bench-serial.sh)

#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/GuardedApplication.h"
#include "serial/ComPort.h"
#include "serial/ui/ComSetupFrm.h"
#include "state/ProgramFolder.h"
#include "tests/e2e/serial/SerialRig.h"

namespace {

using lumiq::test::MonotonicMs;
using lumiq::test::SerialRig;
using lumiq::test::ServeUntil;
using lumiq::test::ToolWindow;

constexpr int kSteps = 13;
constexpr double kStepFloorMs = 300 + 150;
constexpr double kChainFloorMs = kSteps * kStepFloorMs;
// What the engine's own schedule needs from the click to the last read: 30 ms
// to the first send, 13 windows, 12 pauses (none after the last window).
constexpr double kScheduleMs = 30 + kSteps * 300 + (kSteps - 1) * 150;

struct Run {
    double chainMs;      // click on 读参数 to the start of the last receive tick
    double meanStepMs;   // mean time from one command to the next, simulator's stamps
    double meanWindowMs; // mean sender tick to receive tick (300 ms and the send)
    double meanPauseMs;  // mean receive tick to next sender tick (150 ms and the read)
};

Run TimeOneChain(SerialRig& rig, int already) {
    rig.clearFrames();
    rig.clearTicks();
    const double clicked = MonotonicMs();
    ToolWindow::click(rig.tool->But_Read);
    // A cheap test, run every millisecond: the last receive tick has come.
    const auto lastRead = [&] { return rig.receiveTicks.size() >= kSteps; };
    if (!ServeUntil(lastRead, 60000) || rig.tool.logCount(QStringLiteral("版本号为： V2.0")) != already + 1)
        throw std::runtime_error("the read-all chain did not end with the version within 60 s");
    std::vector<double> sends;
    for (const auto& frame : rig.receivedFrames())
        sends.push_back(frame.timeMs);
    if (sends.size() != kSteps || rig.receiveTicks.size() != kSteps)
        throw std::runtime_error("expected 13 commands and 13 receive windows");
    double windows = 0, pauses = 0;
    for (int i = 0; i < kSteps; ++i) {
        windows += rig.receiveTicks[i] - rig.sendTicks[i];
        if (i + 1 < kSteps)
            pauses += rig.sendTicks[i + 1] - rig.receiveTicks[i];
    }
    return {rig.receiveTicks.back() - clicked, (sends.back() - sends.front()) / (kSteps - 1),
            windows / kSteps, pauses / (kSteps - 1)};
}

int Bench(int runs) {
    SerialRig rig;
    rig.dialog.plan({rig.port(), "9600"});
    ToolWindow::trigger(rig.tool->N8);
    if (!rig.tool->ComPort->Connected())
        throw std::runtime_error("the window did not open the simulated port");

    std::vector<Run> results;
    for (int i = 0; i < runs; ++i)
        results.push_back(TimeOneChain(rig, i));

    std::printf("serial read-all chain, %d runs, floor 13 x (300 + 150) ms = %.0f ms\n", runs, kChainFloorMs);
    std::printf("%4s %10s %12s %12s %10s %10s\n", "run", "chain ms", "chain/floor", "step/450ms", "window ms",
                "pause ms");
    Run sum{0, 0, 0, 0};
    for (std::size_t i = 0; i < results.size(); ++i) {
        const Run& r = results[i];
        sum = {sum.chainMs + r.chainMs, sum.meanStepMs + r.meanStepMs, sum.meanWindowMs + r.meanWindowMs,
               sum.meanPauseMs + r.meanPauseMs};
        std::printf("%4zu %10.1f %12.4f %12.4f %10.1f %10.1f\n", i + 1, r.chainMs, r.chainMs / kChainFloorMs,
                    r.meanStepMs / kStepFloorMs, r.meanWindowMs, r.meanPauseMs);
    }
    const double n = static_cast<double>(results.size());
    std::printf("mean %10.1f %12.4f %12.4f %10.1f %10.1f\n", sum.chainMs / n, sum.chainMs / n / kChainFloorMs,
                sum.meanStepMs / n / kStepFloorMs, sum.meanWindowMs / n, sum.meanPauseMs / n);
    std::printf("(the engine's schedule alone, click to last read: %.0f ms = %.4f of the floor)\n",
                kScheduleMs, kScheduleMs / kChainFloorMs);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    lumiq::InitComPortUi(lumiq::ProgramFolder());
    lumiq::GuardedApplication app(argc, argv);
    try {
        return Bench(runs);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_serial_readall: %s\n", e.what());
        return 1;
    }
}
