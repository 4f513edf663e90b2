// The lumiq program against 1 to 256 simulated modules: the time of a read
// of every module and its ratio to one module's, searches that must list 256
// of 256 on one adapter and spread over two, and the 256-module read with
// modules replying by broadcast and with the parallel window at its default
// and at 256; then an apply to 1, 16 and 64 modules that changes every
// parameter and reads it back, and its dry run. Each figure is the median of
// several runs of the real program, from its start to its end; the JSON it
// writes splits that into the search and the work on the modules.
//
// Usage (inside a private namespace, see scripts/bench-fleet.sh):
//   bench_fleet [runs] [read|apply|all]

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/ProgramRun.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq::bench {
namespace {

using nlohmann::json;
using testbed::SimLan;

struct Figures {
    std::vector<double> wallMs, searchMs, workMs;
    int worstOk = 1 << 30;      // fewest modules that ended ok (or were listed) in a run
    double framesPerSecond = 0; // frames each module heard per second of the last run's search and work
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::string Lumiq() {
    return std::string(std::getenv("LUMIQ_BINARY_DIR")) + "/cli/lumiq";
}

bool Succeeded(const json& module) {
    const std::string status = module.at("status");
    for (const char* good : {"ok", "found", "applied", "unchanged", "differs"})
        if (status == good)
            return true;
    return false;
}

// `before` runs ahead of each run, the warm-up too.
Figures Measure(const std::vector<std::string>& args, int runs, const std::vector<SimLan*>& lans,
                const std::function<void()>& before = {}) {
    Figures figures;
    std::vector<std::string> argv{Lumiq()};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.push_back("--json");
    for (int run = 0; run <= runs; ++run) { // run 0 warms up and is not counted
        if (before)
            before();
        for (SimLan* lan : lans)
            lan->control().clearLog();
        const testbed::ProgramResult result = testbed::RunProgram(argv, std::chrono::minutes(5));
        const json document = json::parse(result.out, nullptr, false);
        if (document.is_discarded()) {
            std::fprintf(stderr, "bench_fleet: lumiq %s ended %d: %s\n", args.front().c_str(),
                         result.exitStatus, result.err.c_str());
            std::exit(1);
        }
        if (run == 0)
            continue;
        int ok = 0;
        for (const json& module : document.at("modules"))
            ok += Succeeded(module);
        figures.worstOk = std::min(figures.worstOk, ok);
        figures.wallMs.push_back(result.elapsedMs);
        const json& elapsed = document.at("elapsedMs");
        figures.searchMs.push_back(elapsed.value("search", 0.0));
        figures.workMs.push_back(elapsed.value("work", 0.0));
        std::size_t frames = 0;
        for (SimLan* lan : lans)
            frames = std::max(frames, lan->control().received().size());
        const double busyMs = figures.searchMs.back() + figures.workMs.back();
        if (busyMs > 0)
            figures.framesPerSecond = static_cast<double>(frames) * 1000.0 / busyMs;
    }
    return figures;
}

void Print(const char* what, const Figures& f, int modules, double baseMs = 0) {
    std::printf("  %-46s %7.0f ms  (search %5.0f, work %6.0f)  %3d of %3d", what, Median(f.wallMs),
                Median(f.searchMs), Median(f.workMs), f.worstOk, modules);
    if (baseMs > 0)
        std::printf("  x%-4.1f %5.0f frames/s", Median(f.wallMs) / baseMs, f.framesPerSecond);
    std::printf("\n");
}

// Modules of a second LAN need MAC texts of their own.
std::string SecondLanFile(const testbed::ScratchDir& scratch, int modules) {
    const std::string path = scratch.file("second.ini");
    std::ofstream file(path);
    for (int i = 0; i < modules; ++i) {
        char mac[18];
        std::snprintf(mac, sizeof mac, "02:4c:52:00:%02x:%02x", (i + 1) >> 8, (i + 1) & 0xff);
        file << "[module]\nmac = " << mac << "\n";
    }
    return path;
}

// A profile and an identity table that change every parameter of the
// simulator's generated modules, a new MAC included.
std::vector<std::string> ApplyFiles(const testbed::ScratchDir& scratch, int modules) {
    const std::string profile = scratch.file("line.ini");
    std::ofstream(profile) << "[profile]\ngateway=10.77.0.254\nmask=255.255.255.0\ndip=10.77.0.1\ndhcp=on\n"
                              "baud=115200\ndatabits=7\nstopbits=2\nparity=Even\n";
    const std::string identities = scratch.file("identities-" + std::to_string(modules) + ".csv");
    std::ofstream table(identities);
    table << "mac,mode,ip,port,dport,name,new_mac\n";
    for (int i = 0; i < modules; ++i) {
        char row[160];
        std::snprintf(row, sizeof row,
                      "02:4c:51:00:%02x:%02x,%d,10.77.2.%d,%d,%d,Line-%03d,02:4c:53:00:%02x:%02x\n",
                      (i + 1) >> 8, (i + 1) & 0xff, (i + 1) % 4, i + 1, 7000 + i, 6000 + i, i + 1,
                      (i + 1) >> 8, (i + 1) & 0xff);
        table << row;
    }
    return {"apply", "--profile", profile, "--identities", identities};
}

void MeasureApply(int runs) {
    std::printf("apply --profile P --identities T, every parameter changed (new MAC included), read back:\n");
    testbed::ScratchDir scratch;
    double oneMs = 0;
    for (const int modules : {1, 16, 64}) {
        SimLan lan({.modules = modules});
        const std::string n = std::to_string(modules);
        std::vector<std::string> apply = ApplyFiles(scratch, modules);
        apply.insert(apply.end(), {"--expect", n});
        const auto factory = [&lan] { lan.control().resetAll(); };
        const Figures f = Measure(apply, runs, {&lan}, factory);
        if (modules == 1)
            oneMs = Median(f.wallMs);
        Print(("lumiq apply --expect " + n).c_str(), f, modules, oneMs);
        if (modules != 64)
            continue;
        std::vector<std::string> wide = apply;
        wide.insert(wide.end(), {"--parallel", n});
        Print("lumiq apply --expect 64 --parallel 64", Measure(wide, runs, {&lan}, factory), modules, oneMs);
        std::vector<std::string> check = apply;
        check.push_back("--check");
        Print("lumiq apply --expect 64 --check", Measure(check, runs, {&lan}, factory), modules, oneMs);
    }
}

int Main(int runs, const std::string& what) {
    std::printf("lumiq against lumiq-sim, median of %d runs; time from start to end of the program\n", runs);
    std::printf(
        "(xN: to one module's read, or apply; frames/s: frames every module hears per second, all being "
        "broadcast)\n\n");
    if (what == "apply") {
        MeasureApply(runs);
        return 0;
    }
    std::printf("read all, modules replying by unicast, default parallel window:\n");
    double oneMs = 0;
    for (const int modules : {1, 16, 64, 256}) {
        SimLan lan({.modules = modules});
        const std::string n = std::to_string(modules);
        const Figures f = Measure({"read", "all", "--expect", n}, runs, {&lan});
        if (modules == 1)
            oneMs = Median(f.wallMs);
        Print(("lumiq read all --expect " + n).c_str(), f, modules, oneMs);
        if (modules == 256) {
            Print("lumiq read all --expect 256 --parallel 256",
                  Measure({"read", "all", "--expect", n, "--parallel", n}, runs, {&lan}), modules, oneMs);
            for (int m = 0; m < modules; ++m)
                lan.control().replyByBroadcast(m, true);
            std::printf("read all, 256 modules replying by broadcast:\n");
            Print("lumiq read all --expect 256", Measure({"read", "all", "--expect", n}, runs, {&lan}),
                  modules, oneMs);
            Print("lumiq read all --expect 256 --parallel 256",
                  Measure({"read", "all", "--expect", n, "--parallel", n}, runs, {&lan}), modules, oneMs);
            for (int m = 0; m < modules; ++m)
                lan.control().replyByBroadcast(m, false);
            std::printf("search, 256 modules:\n");
            Print("lumiq search --expect 256 (one adapter)", Measure({"search", "--expect", n}, runs, {&lan}),
                  modules);
        }
    }
    testbed::ScratchDir scratch;
    SimLan first({.modules = 128});
    SimLan second({.modules = 0, .moduleFile = SecondLanFile(scratch, 128), .prefix = "10.78"});
    Print("lumiq search --expect 256 (128 on each of two)",
          Measure({"search", "--expect", "256"}, runs, {&first, &second}), 256);
    if (what == "all")
        MeasureApply(runs);
    return 0;
}

} // namespace
} // namespace lumiq::bench

int main(int argc, char** argv) {
    const int runs = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 5;
    const std::string what = argc > 2 ? argv[2] : "all";
    if (what != "read" && what != "apply" && what != "all") {
        std::fprintf(stderr, "usage: bench_fleet [runs] [read|apply|all]\n");
        return 2;
    }
    try {
        return lumiq::bench::Main(runs, what);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_fleet: %s\n", error.what());
        return 1;
    }
}
