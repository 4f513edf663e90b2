// 256 simulated modules (a full registry) answer one search at once: how
// many lines the list shows, how long it takes to show them all, and how
// long after the simulator's last reply the list is full. Run once with
// every module answering by unicast, once by broadcast.
//
// Usage (inside a private namespace, see scripts/bench-udp.sh):
//   bench_udp_search [runs per reply mode]

#include <QListWidget>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>

#include "tests/bench/udp/BenchSupport.h"
#include "tests/bench/udp/WindowBench.h"
#include "tests/e2e/harness/ToolWindow.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq::bench {
namespace {

constexpr int kModules = 256;
// Time the list gets to fill, and to show that nothing more comes.
constexpr int kFillDeadlineMs = 10000;
constexpr int kSettleMs = 1000;

int Main(int runs) {
    testbed::SimLan lan({.modules = kModules});
    test::ToolWindow tool;
    int worst = kModules;
    for (const bool broadcast : {false, true}) {
        for (int m = 0; m < kModules; ++m)
            lan.control().replyByBroadcast(m, broadcast);
        std::vector<double> fillMs, sendingMs, afterLastMs;
        std::vector<int> listed;
        for (int run = 0; run < runs; ++run) {
            lan.control().clearLog();
            const double clickMs = MonotonicMs();
            test::ToolWindow::click(tool->But_UDPFind);
            ServeUntil([&] { return tool->ListBoxIP->count() >= kModules; }, kFillDeadlineMs);
            // The list is counted full once laid out and painted: what the
            // loop would do next is done here, so that its time counts.
            tool->ListBoxIP->doItemsLayout();
            tool->ListBoxIP->viewport()->repaint();
            fillMs.push_back(MonotonicMs() - clickMs);
            ServeUntil([] { return false; }, kSettleMs);
            listed.push_back(tool->ListBoxIP->count());
            // How long the simulator took to send every reply: the part of
            // the time to list that is not the tool's.
            double lastReplyMs = clickMs;
            for (const auto& frame : lan.control().frames())
                if (!frame.received)
                    lastReplyMs = std::max(lastReplyMs, frame.timeMs);
            sendingMs.push_back(lastReplyMs - clickMs);
            afterLastMs.push_back(fillMs.back() - sendingMs.back());
            worst = std::min(worst, listed.back());
        }
        const Spread fill = SpreadOf(fillMs), sending = SpreadOf(sendingMs),
                     afterLast = SpreadOf(afterLastMs);
        std::printf("search, %d modules replying by %s, %d runs\n", kModules,
                    broadcast ? "broadcast" : "unicast", runs);
        std::printf("  listed        ");
        for (const int n : listed)
            std::printf(" %d", n);
        std::printf("  (of %d)\n", kModules);
        std::printf("  time to list   median %6.1f ms  (min %.1f, max %.1f)\n", fill.median, fill.min,
                    fill.max);
        std::printf("  last reply out median %6.1f ms  (simulator's log; min %.1f, max %.1f)\n",
                    sending.median, sending.min, sending.max);
        std::printf("  last reply to full list median %6.1f ms  (min %.1f, max %.1f)\n", afterLast.median,
                    afterLast.min, afterLast.max);
    }
    std::printf("  warning boxes  %zu\n", tool.messages.size());
    std::printf("worst run: %d of %d listed\n", worst, kModules);
    return 0;
}

} // namespace
} // namespace lumiq::bench

int main(int argc, char** argv) {
    return lumiq::bench::RunWindowBench(argc, argv, "bench_udp_search", 5, lumiq::bench::Main);
}
