// Times the read-all chain over the serial link: the real window, the setup
// dialog answered as an operator would, and one simulated module on a
// pseudo-terminal. Prints how the chain compares with its floor, 13 steps of
// a 300 ms receive window and a 150 ms pause each.
//
// Usage: bench_serial_readall [runs]   (default 10, after one warm-up run;
// inside scripts/in-netns, see scripts/bench-serial.sh)

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

struct Spread {
    double median, min, max;
};

Spread SpreadOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

void PrintRow(const char* figure, const std::vector<Run>& runs, double Run::*field, double scale,
              const char* form) {
    std::vector<double> values;
    for (const Run& r : runs)
        values.push_back(r.*field / scale);
    const Spread s = SpreadOf(values);
    std::printf("%-34s", figure);
    for (double v : {s.median, s.min, s.max})
        std::printf(form, v);
    std::printf("\n");
}

int Bench(int runs) {
    SerialRig rig;
    rig.dialog.plan({rig.port(), "9600"});
    ToolWindow::trigger(rig.tool->N8);
    if (!rig.tool->ComPort->Connected())
        throw std::runtime_error("the window did not open the simulated port");

    TimeOneChain(rig, 0); // warm-up, not counted
    std::vector<Run> results;
    for (int i = 0; i < runs; ++i)
        results.push_back(TimeOneChain(rig, i + 1));

    std::printf("serial read-all chain, %d runs after one warm-up; floor 13 x (300 + 150) ms = %.0f ms\n",
                runs, kChainFloorMs);
    std::printf("%-34s%10s%10s%10s\n", "figure", "median", "min", "max");
    PrintRow("chain time, ms", results, &Run::chainMs, 1, "%10.1f");
    PrintRow("chain / floor", results, &Run::chainMs, kChainFloorMs, "%10.4f");
    PrintRow("step (command to command) / 450 ms", results, &Run::meanStepMs, kStepFloorMs, "%10.4f");
    PrintRow("receive window, mean, ms", results, &Run::meanWindowMs, 1, "%10.1f");
    PrintRow("pause to the next send, mean, ms", results, &Run::meanPauseMs, 1, "%10.1f");
    std::printf("the engine's schedule alone, click to the last read: %.0f ms = %.4f of the floor\n",
                kScheduleMs, kScheduleMs / kChainFloorMs);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    lumiq::InitComPortUi(lumiq::ProgramFolder());
    lumiq::GuardedApplication app(argc, argv);
    try {
        return Bench(runs);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_serial_readall: %s\n", e.what());
        return 1;
    }
}
