// lumiq-config's time from start to a shown main window, and its peak
// memory. Starts the real program again and again, each time with a private
// runtime folder (so the single-instance lock of another copy never gets in
// the way), and reads the line its start-up report (app/StartupReport.h)
// writes after the first paint. The program ends itself shortly after.
//
// Usage (inside a private network, see scripts/bench-udp.sh):
//   bench_udp_startup <path to lumiq-config> [runs]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/bench/udp/BenchSupport.h"

namespace lumiq::bench {
namespace {

// Long enough after the first paint for the window to settle.
constexpr const char* kQuitAfterMs = "500";

struct Start {
    double shownMs = 0;  // start to the first paint done
    long reportKb = 0;   // peak resident memory when shown
    long lifetimeKb = 0; // peak resident memory over the whole run
};

bool StartOnce(const std::string& program, Start& start) {
    char folder[] = "/tmp/lumiq-startup.XXXXXX";
    if (!mkdtemp(folder))
        return false;
    const std::string report = std::string(folder) + "/report";
    const double startedMs = MonotonicMs();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("XDG_RUNTIME_DIR", folder, 1);
        setenv("LUMIQ_STARTUP_REPORT", report.c_str(), 1);
        setenv("LUMIQ_QUIT_AFTER_MS", kQuitAfterMs, 1);
        setenv("LUMIQ_AUTOANSWER_MESSAGES", "1", 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    const bool ended =
        pid > 0 && wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    long long shownNs = 0;
    std::ifstream line(report);
    std::string text;
    const bool reported =
        std::getline(line, text) &&
        std::sscanf(text.c_str(), "shown_monotonic_ns=%lld vmhwm_kb=%ld", &shownNs, &start.reportKb) == 2;
    std::remove(report.c_str());
    rmdir(folder);
    if (!ended || !reported)
        return false;
    start.shownMs = static_cast<double>(shownNs) / 1e6 - startedMs;
    start.lifetimeKb = usage.ru_maxrss;
    return true;
}

} // namespace
} // namespace lumiq::bench

int main(int argc, char** argv) {
    using namespace lumiq::bench;
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_udp_startup <lumiq-config> [runs]\n");
        return 2;
    }
    const int runs = argc > 2 && std::atoi(argv[2]) > 0 ? std::atoi(argv[2]) : 10;
    std::vector<double> shown, atShow, lifetime;
    for (int run = 0; run <= runs; ++run) { // run 0 fills the file cache and is not counted
        Start start;
        if (!StartOnce(argv[1], start)) {
            std::fprintf(stderr, "bench_udp_startup: run %d of %s did not report a shown window\n", run,
                         argv[1]);
            return 1;
        }
        if (run == 0)
            continue;
        shown.push_back(start.shownMs);
        atShow.push_back(static_cast<double>(start.reportKb));
        lifetime.push_back(static_cast<double>(start.lifetimeKb));
    }
    const Spread s = SpreadOf(shown), a = SpreadOf(atShow), l = SpreadOf(lifetime);
    std::printf("lumiq-config start-up, %d runs\n", runs);
    std::printf("  start to shown window  median %6.1f ms  (min %.1f, max %.1f)\n", s.median, s.min, s.max);
    std::printf("  peak memory when shown median %6.0f kB  (VmHWM; min %.0f, max %.0f)\n", a.median, a.min,
                a.max);
    std::printf("  peak memory, whole run median %6.0f kB  (maxrss; min %.0f, max %.0f)\n", l.median, l.min,
                l.max);
    return 0;
}
