// The read-all chain (读参数) against one simulated module, compared with its
// protocol floor: the 30 ms before the first query and after each of the 12
// replies that lead to the next, plus the round trips the tool cannot avoid.
// A round trip runs from the moment the module took the query (the
// simulator's frame log) to the moment the tool's socket handed the reply to
// the window; counting from the module's side leaves the wire's way out in
// the tool's share, so the ratio is, if anything, too high.
//
// Usage (inside a private namespace, see scripts/bench-udp.sh):
//   bench_udp_readall [runs]
// With LUMIQ_BENCH_DETAIL=1 it also prints, for every query, how long the
// module took and how long its reply took to reach the window.

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>

#include "net/TcmSocket.h"
#include "tests/bench/udp/BenchSupport.h"
#include "tests/bench/udp/WindowBench.h"
#include "tests/e2e/harness/ToolWindow.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq::bench {
namespace {

constexpr int kQueries = 13;
constexpr double kPauseMs = 30.0;

struct Run {
    double totalMs; // click to the version reply reaching the window
    double roundTripsMs;
    double floorMs;
};

int Main(int runs) {
    testbed::SimLan lan({.modules = 1});
    test::ToolWindow tool;
    std::vector<double> replyMs;
    auto deliver = tool->MySocket->OnReceive;
    const std::uint32_t ownIp = tool.state().LocalIp;
    // The tool's own broadcasts come back to its socket too; only the
    // module's replies count.
    tool->MySocket->OnReceive = [&replyMs, deliver, ownIp](TcmSocket& s, int peer, std::uint16_t port,
                                                           std::uint32_t ip, const char* data, int length) {
        if (ip != ownIp)
            replyMs.push_back(MonotonicMs());
        deliver(s, peer, port, ip, data, length);
    };

    test::ToolWindow::click(tool->But_UDPFind);
    if (!ServeUntil([&] { return tool->ListBoxIP->count() == 1; }, 10000)) {
        std::fprintf(stderr, "bench_udp_readall: the module did not answer the search\n");
        return 1;
    }
    const QString versionRead = QStringLiteral("          读取版本号成功");
    std::vector<Run> results;
    for (int run = 0; run <= runs; ++run) { // run 0 warms up and is not counted
        lan.control().clearLog();
        replyMs.clear();
        const int before = tool.logCount(versionRead);
        const double clickMs = MonotonicMs();
        tool.clickModule(0);
        if (!ServeUntil([&] { return tool.logCount(versionRead) > before; }, 10000)) {
            std::fprintf(stderr, "bench_udp_readall: run %d did not finish\n", run);
            return 1;
        }
        const auto queries = lan.control().received();
        if (queries.size() != kQueries || replyMs.size() != kQueries) {
            std::fprintf(stderr, "bench_udp_readall: run %d saw %zu queries and %zu replies\n", run,
                         queries.size(), replyMs.size());
            return 1;
        }
        if (std::getenv("LUMIQ_BENCH_DETAIL")) {
            const auto all = lan.control().frames();
            for (std::size_t i = 0; i + 1 < all.size(); i += 2)
                std::printf("  run %d query %2zu: module %.3f ms, reply to window %.3f ms\n", run, i / 2,
                            all[i + 1].timeMs - all[i].timeMs, replyMs[i / 2] - all[i + 1].timeMs);
        }
        double roundTrips = 0;
        for (std::size_t i = 0; i < kQueries; ++i)
            roundTrips += replyMs[i] - queries[i].timeMs;
        if (run > 0)
            results.push_back({replyMs.back() - clickMs, roundTrips, kQueries * kPauseMs + roundTrips});
    }

    std::vector<double> totals, trips, floors, ratios;
    for (const Run& r : results) {
        totals.push_back(r.totalMs);
        trips.push_back(r.roundTripsMs);
        floors.push_back(r.floorMs);
        ratios.push_back(r.totalMs / r.floorMs);
    }
    const Spread total = SpreadOf(totals), trip = SpreadOf(trips), floor = SpreadOf(floors),
                 ratio = SpreadOf(ratios);
    std::printf("read-all chain, 1 module, %d runs (13 queries each)\n", runs);
    std::printf("  chain time     median %7.1f ms  (min %.1f, max %.1f)\n", total.median, total.min,
                total.max);
    std::printf("  round trips    median %7.1f ms  (sum of 13; min %.1f, max %.1f)\n", trip.median, trip.min,
                trip.max);
    std::printf("  protocol floor median %7.1f ms  (13 x 30 ms + round trips)\n", floor.median);
    std::printf("  chain / floor  median %7.3f     (min %.3f, max %.3f)\n", ratio.median, ratio.min,
                ratio.max);
    std::printf("  above floor    median %7.2f ms per query\n", (total.median - floor.median) / kQueries);
    return 0;
}

} // namespace
} // namespace lumiq::bench

int main(int argc, char** argv) {
    return lumiq::bench::RunWindowBench(argc, argv, "bench_udp_readall", 20, lumiq::bench::Main);
}
