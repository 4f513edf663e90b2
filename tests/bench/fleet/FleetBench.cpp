// The lumiq program against 1 to 1,024 simulated modules: the time of a read
// of every module and its ratio to one module's, searches that must list 256
// of 256 on one adapter and spread over two, and the 256-module read with
// modules replying by broadcast and with the parallel window at its default
// and at 256; then an apply to 1, 16 and 64 modules that changes every
// parameter and reads it back, and its dry run; then ("scale") 1,024 modules
// on four adapters, searched, read and applied. Each figure is the median of
// several runs of the real program, from its start to its end; the JSON it
// writes splits that into the search and the work on the modules. Beside the
// time: the program's peak memory, and the frames each module had to look at
// that named another module (the simulator's "heard" counts), per second of
// the search and the work, the most any module saw and the mean over all.
// Where this lumiq has --broadcast, a figure is also taken with it.
//
// Usage (inside a private namespace, see scripts/bench-fleet.sh):
//   bench_fleet [runs] [read|apply|scale|station|all]

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/bench/fleet/StationBench.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq::bench {
namespace {

using nlohmann::json;
using testbed::SimLan;

struct Figures {
    std::vector<double> wallMs, searchMs, workMs;
    std::vector<double> otherMax, otherMean; // frames/s naming another module, per run
    long peakKiB = 0;                        // the most of any run
    int worstOk = 1 << 30;                   // fewest modules that ended ok (or were listed) in a run
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::string Lumiq() {
    return std::string(std::getenv("LUMIQ_BINARY_DIR")) + "/cli/lumiq";
}

// Whether `lumiq <subcommand> --help` lists --broadcast: before it existed
// every frame was broadcast, and the default figures are the broadcast ones.
bool HasBroadcastOption(const std::string& subcommand) {
    const auto help = testbed::RunProgram({Lumiq(), subcommand, "--help"});
    return help.out.find("--broadcast") != std::string::npos;
}

bool Succeeded(const json& module) {
    const std::string status = module.at("status");
    for (const char* good : {"ok", "found", "applied", "unchanged", "differs"})
        if (status == good)
            return true;
    return false;
}

// Adds each module's count of frames that named another module (the
// "heard" control command: "<index> own=N search=N other=N").
void CollectOther(SimLan& lan, std::vector<std::size_t>& other) {
    for (const std::string& line : lan.control().command("heard")) {
        std::size_t own = 0, search = 0, count = 0;
        if (std::sscanf(line.c_str(), "%*u own=%zu search=%zu other=%zu", &own, &search, &count) != 3)
            throw std::runtime_error("garbled heard line " + line);
        other.push_back(count);
    }
}

struct MeasureOptions {
    std::function<void()> before{}; // runs ahead of each run, the warm-up too
    bool warmUp = true;             // one uncounted run first
};

Figures Measure(const std::vector<std::string>& args, int runs, const std::vector<SimLan*>& lans,
                const MeasureOptions& options = {}) {
    Figures figures;
    std::vector<std::string> argv{Lumiq()};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.push_back("--json");
    for (int run = options.warmUp ? 0 : 1; run <= runs; ++run) {
        if (options.before)
            options.before();
        for (SimLan* lan : lans)
            lan->control().clearLog();
        const testbed::ProgramResult result = testbed::RunProgram(argv, std::chrono::minutes(10));
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
        if (ok < static_cast<int>(document.at("modules").size()) || document.at("modules").empty())
            std::fprintf(stderr, "bench_fleet: lumiq %s ended %d, %d ok: %.400s\n", args.front().c_str(),
                         result.exitStatus, ok, result.err.c_str());
        figures.worstOk = std::min(figures.worstOk, ok);
        figures.wallMs.push_back(result.elapsedMs);
        figures.peakKiB = std::max(figures.peakKiB, result.peakKiB);
        const json& elapsed = document.at("elapsedMs");
        figures.searchMs.push_back(elapsed.value("search", 0.0));
        figures.workMs.push_back(elapsed.value("work", 0.0));
        std::vector<std::size_t> other;
        for (SimLan* lan : lans)
            CollectOther(*lan, other);
        const double busyS = (figures.searchMs.back() + figures.workMs.back()) / 1000.0;
        double most = 0, sum = 0;
        for (const std::size_t count : other) {
            most = std::max(most, static_cast<double>(count));
            sum += static_cast<double>(count);
        }
        figures.otherMax.push_back(busyS > 0 ? most / busyS : 0);
        figures.otherMean.push_back(
            busyS > 0 && !other.empty() ? sum / static_cast<double>(other.size()) / busyS : 0);
    }
    return figures;
}

void Print(const std::string& what, const Figures& f, int modules, double baseMs = 0) {
    std::printf("  %-50s %7.0f ms  (search %5.0f, work %6.0f)  %4d of %4d  %4.0f MiB", what.c_str(),
                Median(f.wallMs), Median(f.searchMs), Median(f.workMs), f.worstOk, modules,
                static_cast<double>(f.peakKiB) / 1024.0);
    if (baseMs > 0)
        std::printf("  x%-5.2f", Median(f.wallMs) / baseMs);
    else
        std::printf("  %6s", "");
    std::printf("  not own/s max %5.0f mean %5.0f\n", Median(f.otherMax), Median(f.otherMean));
}

// A figure at the default options and, where this lumiq has it, with
// --broadcast; returns the default one.
Figures MeasureBoth(const std::string& what, const std::vector<std::string>& args, int runs,
                    const std::vector<SimLan*>& lans, int modules, double baseMs,
                    const MeasureOptions& options = {}) {
    const Figures f = Measure(args, runs, lans, options);
    Print(what, f, modules, baseMs);
    if (HasBroadcastOption(args.front())) {
        std::vector<std::string> broadcast = args;
        broadcast.push_back("--broadcast");
        Print(what + " --broadcast", Measure(broadcast, runs, lans, options), modules, baseMs);
    }
    return f;
}

// Module files for further LANs: MAC texts <stem>:HH:LL for numbers
// `first` onwards, so that no two LANs hold the same MAC.
std::string ModuleFile(const testbed::ScratchDir& scratch, const char* stem, int first, int modules) {
    const std::string path = scratch.file(std::string("lan-") + stem + "-" + std::to_string(first) + ".ini");
    std::ofstream file(path);
    for (int number = first; number < first + modules; ++number) {
        char mac[18];
        std::snprintf(mac, sizeof mac, "%s:%02x:%02x", stem, number >> 8, number & 0xff);
        file << "[module]\nmac = " << mac << "\n";
    }
    return path;
}

// The most modules on one LAN: the scale figures put 256 on each of four.
constexpr int kLanModules = 256;

// A profile and an identity table that change every parameter of the
// simulator's generated modules (02:4c:51:00:00:01 onwards, and the module
// files' continuing them, kLanModules to a LAN), a new MAC included; the new
// addresses are on the module's LAN and held by no module.
std::vector<std::string> ApplyFiles(const testbed::ScratchDir& scratch, int modules) {
    const std::string profile = scratch.file("line.ini");
    std::ofstream(profile) << "[profile]\ngateway=10.77.0.254\nmask=255.255.255.0\ndip=10.77.0.1\ndhcp=on\n"
                              "baud=115200\ndatabits=7\nstopbits=2\nparity=Even\n";
    const std::string identities = scratch.file("identities-" + std::to_string(modules) + ".csv");
    std::ofstream table(identities);
    table << "mac,mode,ip,port,dport,name,new_mac\n";
    for (int i = 0; i < modules; ++i) {
        const int n = i + 1;
        char row[160];
        std::snprintf(row, sizeof row,
                      "02:4c:51:00:%02x:%02x,%d,10.%d.%d.%d,%d,%d,Line-%03d,02:4c:53:00:%02x:%02x\n", n >> 8,
                      n & 0xff, n % 4, 77 + i / kLanModules, 10 + i % kLanModules / 250, 1 + i % 250,
                      7000 + i, 6000 + i, n, n >> 8, n & 0xff);
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
        const MeasureOptions factory{[&lan] { lan.control().resetAll(); }};
        const std::string what = "lumiq apply --expect " + n;
        const Figures f = modules == 64 ? MeasureBoth(what, apply, runs, {&lan}, modules, oneMs, factory)
                                        : Measure(apply, runs, {&lan}, factory);
        if (modules == 1)
            oneMs = Median(f.wallMs);
        if (modules != 64) {
            Print(what, f, modules, oneMs);
            continue;
        }
        std::vector<std::string> wide = apply;
        wide.insert(wide.end(), {"--parallel", n});
        Print(what + " --parallel 64", Measure(wide, runs, {&lan}, factory), modules, oneMs);
        std::vector<std::string> check = apply;
        check.push_back("--check");
        Print(what + " --check", Measure(check, runs, {&lan}, factory), modules, oneMs);
    }
}

void MeasureRead(int runs) {
    std::printf("read all, modules replying by unicast, default parallel window:\n");
    double oneMs = 0;
    for (const int modules : {1, 16, 64, 256}) {
        SimLan lan({.modules = modules});
        const std::string n = std::to_string(modules);
        const std::vector<std::string> read{"read", "all", "--expect", n};
        const std::string what = "lumiq read all --expect " + n;
        if (modules != 256) {
            const Figures f = Measure(read, runs, {&lan});
            if (modules == 1)
                oneMs = Median(f.wallMs);
            Print(what, f, modules, oneMs);
            continue;
        }
        MeasureBoth(what, read, runs, {&lan}, modules, oneMs);
        const std::vector<std::string> wide{"read", "all", "--expect", n, "--parallel", n};
        Print(what + " --parallel 256", Measure(wide, runs, {&lan}), modules, oneMs);
        for (int m = 0; m < modules; ++m)
            lan.control().replyByBroadcast(m, true);
        std::printf("read all, 256 modules replying by broadcast:\n");
        Print(what, Measure(read, runs, {&lan}), modules, oneMs);
        Print(what + " --parallel 256", Measure(wide, runs, {&lan}), modules, oneMs);
        for (int m = 0; m < modules; ++m)
            lan.control().replyByBroadcast(m, false);
        std::printf("search, 256 modules:\n");
        Print("lumiq search --expect 256 (one adapter)", Measure({"search", "--expect", n}, runs, {&lan}),
              modules);
    }
    testbed::ScratchDir scratch;
    SimLan first({.modules = 128});
    SimLan second(
        {.modules = 0, .moduleFile = ModuleFile(scratch, "02:4c:52:00", 1, 128), .prefix = "10.78"});
    Print("lumiq search --expect 256 (128 on each of two)",
          Measure({"search", "--expect", "256"}, runs, {&first, &second}), 256);
}

// 1,024 modules, 256 on each of four LANs the program reaches through four
// adapters, one simulator each; the ratios are to one module's read and
// apply measured here, in the same run.
void MeasureScale(int runs) {
    constexpr int kLans = 4, kPerLan = kLanModules, kModules = kLans * kPerLan;
    const std::string n = std::to_string(kModules);
    testbed::ScratchDir scratch;
    double oneReadMs = 0, oneApplyMs = 0;
    {
        SimLan one({.modules = 1});
        std::vector<std::string> apply = ApplyFiles(scratch, 1);
        apply.insert(apply.end(), {"--expect", "1"});
        oneReadMs = Median(Measure({"read", "all", "--expect", "1"}, runs, {&one}).wallMs);
        oneApplyMs = Median(Measure(apply, runs, {&one}, {[&one] { one.control().resetAll(); }}).wallMs);
        std::printf(
            "1,024 modules, 256 on each of four adapters (one module: read all %.0f ms, apply %.0f ms):\n",
            oneReadMs, oneApplyMs);
    }
    std::vector<std::unique_ptr<SimLan>> owned;
    std::vector<SimLan*> lans;
    for (int l = 0; l < kLans; ++l) {
        const std::string prefix = "10." + std::to_string(77 + l);
        owned.push_back(std::make_unique<SimLan>(
            l == 0 ? testbed::SimLanOptions{.modules = kPerLan}
                   : testbed::SimLanOptions{.modules = 0,
                                            .moduleFile =
                                                ModuleFile(scratch, "02:4c:51:00", 1 + l * kPerLan, kPerLan),
                                            .prefix = prefix}));
        lans.push_back(owned.back().get());
    }
    // The searches warm up; the long runs are not repeated for it.
    MeasureBoth("lumiq search --expect 1024", {"search", "--expect", n}, runs, lans, kModules, 0);
    const MeasureOptions once{{}, false};
    MeasureBoth("lumiq read all --expect 1024", {"read", "all", "--expect", n}, runs, lans, kModules,
                oneReadMs, once);
    std::vector<std::string> apply = ApplyFiles(scratch, kModules);
    apply.insert(apply.end(), {"--expect", n});
    const auto factory = [&lans] {
        for (SimLan* lan : lans)
            lan->control().resetAll();
    };
    MeasureBoth("lumiq apply --expect 1024", apply, runs, lans, kModules, oneApplyMs, {factory, false});
}

int Main(int runs, const std::string& what) {
    std::printf("lumiq against lumiq-sim, median of %d runs; time from start to end of the program\n", runs);
    std::printf(
        "(MiB: lumiq's peak resident memory; xN: to one module's read, or apply; not own/s: frames a\n"
        "module looked at that named another module, per second of search and work, the most any\n"
        "module saw and the mean over all; searches, which name every module, are not counted)\n");
    if (!HasBroadcastOption("read"))
        std::printf("(this lumiq has no --broadcast: every frame is broadcast at the default options)\n");
    std::printf("\n");
    if (what == "read" || what == "all")
        MeasureRead(runs);
    if (what == "apply" || what == "all")
        MeasureApply(runs);
    if (what == "scale" || what == "all")
        MeasureScale(runs);
    if (what == "station" || what == "all")
        MeasureStation(runs);
    return 0;
}

} // namespace
} // namespace lumiq::bench

int main(int argc, char** argv) {
    const int runs = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 5;
    const std::string what = argc > 2 ? argv[2] : "all";
    if (what != "read" && what != "apply" && what != "scale" && what != "station" && what != "all") {
        std::fprintf(stderr, "usage: bench_fleet [runs] [read|apply|scale|station|all]\n");
        return 2;
    }
    try {
        return lumiq::bench::Main(runs, what);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_fleet: %s\n", error.what());
        return 1;
    }
}
