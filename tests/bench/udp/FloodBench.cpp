// lumiq-config under a flood of datagrams. The real program (its test build
// lumiq-config-scripted, started and driven over its control socket,
// ScriptedProgram.h) finds one well-behaved simulated module on one LAN
// (SimLan) while a second LAN (FloodLan.h) floods it by unicast and broadcast
// with a bounded number of noise and reply-like datagrams of random lengths
// up to 65,507 bytes (FloodSender.h): first while a search is open and its
// boxes stay unanswered, then while read-alls run one after another and
// their boxes are answered at once, as by an attentive operator. For each
// flood it prints what reached the program, how long the window took to
// answer meanwhile, the program's CPU during the flood and in the seconds
// after, the boxes raised and the memory; at the end whether a search still
// lists the well-behaved module, and how the program ended. A crash is said
// plainly and gives exit status 1; the figures are printed, never judged.
//
// Usage (inside a private network namespace, see scripts/bench-flood.sh):
//   bench_udp_flood <lumiq-config-scripted> [datagrams per flood] [seconds watched after each] [seed]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "tests/bench/udp/BenchSupport.h"
#include "tests/bench/udp/FloodLan.h"
#include "tests/bench/udp/FloodSender.h"
#include "tests/bench/udp/ScriptedProgram.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq::bench {
namespace {

constexpr int kPingGapMs = 20;
constexpr int kPingDeadlineMs = 30000;
constexpr int kPollMs = 5;
constexpr int kStepDeadlineMs = 15000;
constexpr int kIdlePings = 50;

struct Options {
    std::string program;
    long datagrams = 50000;
    int secondsAfter = 3;
    unsigned seed = 1;
};

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

struct WindowState {
    int list = 0;
    int reading = 0;
    int box = 0;
    int acts = 0;
};

WindowState StateOf(ScriptedProgram& tool) {
    const std::string answer = tool.require("state");
    WindowState s;
    if (std::sscanf(answer.c_str(), "state list=%d reading=%d box=%d acts=%d", &s.list, &s.reading, &s.box,
                    &s.acts) != 4)
        throw std::runtime_error("unexpected answer to state: " + answer);
    return s;
}

int RowOf(ScriptedProgram& tool, const std::string& text) {
    int row = -1;
    std::sscanf(tool.require("find " + text).c_str(), "row %d", &row);
    return row;
}

// Log lines holding text, and the last of them.
std::pair<int, std::string> LogLines(ScriptedProgram& tool, const std::string& text) {
    const std::string answer = tool.require("count " + text);
    const std::size_t tab = answer.find('\t');
    return {std::atoi(answer.c_str() + 6), tab == std::string::npos ? std::string() : answer.substr(tab + 1)};
}

// The program only answers; it tells nothing by itself. So this asks again
// every few milliseconds until `done` holds; false at the deadline.
bool WaitFor(const std::function<bool()>& done, int deadlineMs = kStepDeadlineMs) {
    const double end = MonotonicMs() + deadlineMs;
    while (!done()) {
        if (MonotonicMs() > end)
            return false;
        Pause(kPollMs);
    }
    return true;
}

// Presses search, read or select and returns once the press has run.
void Press(ScriptedProgram& tool, const std::string& command) {
    const int acts = StateOf(tool).acts;
    tool.require(command);
    if (!WaitFor([&] { return StateOf(tool).acts > acts; }))
        throw std::runtime_error("the window did not act on '" + command + "'");
}

int Percent(double part, double whole) {
    return whole > 0 ? static_cast<int>(part / whole * 100.0 + 0.5) : 0;
}

// The time the window takes to answer a ping.
class AnswerTimes {
public:
    void ping(ScriptedProgram& tool) {
        const double sent = MonotonicMs();
        if (tool.ask("ping", kPingDeadlineMs))
            ms_.push_back(MonotonicMs() - sent);
        else
            ++late_;
    }

    std::string summary() const {
        std::vector<double> sorted = ms_;
        std::sort(sorted.begin(), sorted.end());
        const auto at = [&](double share) {
            return sorted.empty()
                       ? 0.0
                       : sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(sorted.size() * share))];
        };
        char text[200];
        std::snprintf(text, sizeof text,
                      "%zu answers, median %.2f ms, 90 %% %.2f ms, 99 %% %.2f ms, max %.2f ms", sorted.size(),
                      at(0.5), at(0.9), at(0.99), sorted.empty() ? 0.0 : sorted.back());
        std::string line = text;
        if (late_ > 0)
            line +=
                ", " + std::to_string(late_) + " not within " + std::to_string(kPingDeadlineMs / 1000) + " s";
        return line;
    }

private:
    std::vector<double> ms_;
    int late_ = 0;
};

// Boxes answered, by the text before the first comma ("两模块的IP地址相同").
class BoxTally {
public:
    // False when no box was open.
    bool answer(ScriptedProgram& tool) {
        const std::string answer = tool.require("answer");
        if (answer == "none")
            return false;
        std::string text = answer.substr(std::min(answer.size(), std::string("answered ").size()));
        text = text.substr(0, std::min(text.find("，"), std::size_t{60}));
        ++kinds_[text];
        ++total_;
        return true;
    }

    void answerAll(ScriptedProgram& tool) {
        while (answer(tool)) {
        }
    }

    int total() const { return total_; }

    void print() const {
        for (const auto& [kind, count] : kinds_)
            std::printf("      %6d  %s\n", count, kind.c_str());
    }

private:
    std::map<std::string, int> kinds_;
    int total_ = 0;
};

// The host namespace's IP and UDP counters (/proc/net/snmp), "Udp:InDatagrams".
std::map<std::string, long long> KernelCounters() {
    std::ifstream snmp("/proc/net/snmp");
    std::map<std::string, long long> counters;
    for (std::string names, values; std::getline(snmp, names) && std::getline(snmp, values);) {
        std::istringstream n(names), v(values);
        std::string group, name, value;
        n >> group;
        v >> value; // the same group again
        while (n >> name && v >> value)
            counters[group + name] = std::atoll(value.c_str());
    }
    return counters;
}

// CPU of the program in each of the next `seconds` seconds, in % of one core.
std::vector<int> CpuEachSecond(const ScriptedProgram& tool, int seconds) {
    std::vector<int> shares;
    const auto start = std::chrono::steady_clock::now();
    double before = tool.cpuSeconds();
    for (int s = 1; s <= seconds; ++s) {
        std::this_thread::sleep_until(start + std::chrono::seconds(s));
        const double now = tool.cpuSeconds();
        shares.push_back(Percent(now - before, 1.0));
        before = now;
    }
    return shares;
}

// One flood while `drive` keeps the window busy between pings, and its figures.
class Flood {
public:
    Flood(ScriptedProgram& tool, FloodSender& sender, const Options& options)
        : tool_(tool), sender_(sender), options_(options) {}

    void run(const std::function<void()>& drive) {
        const auto counters = KernelCounters();
        const double cpu = tool_.cpuSeconds();
        sender_.start(options_.datagrams);
        while (sender_.running()) {
            answers_.ping(tool_);
            drive();
            Pause(kPingGapMs);
        }
        sent_ = sender_.finish();
        cpuDuring_ = Percent(tool_.cpuSeconds() - cpu, sent_.seconds);
        cpuAfter_ = CpuEachSecond(tool_, options_.secondsAfter);
        auto after = KernelCounters();
        delivered_ = after["Udp:InDatagrams"] - counters.at("Udp:InDatagrams");
        bufferFull_ = after["Udp:RcvbufErrors"] - counters.at("Udp:RcvbufErrors");
        reassemblyFailed_ = after["Ip:ReasmFails"] - counters.at("Ip:ReasmFails");
    }

    void print() const {
        const FloodCounts& c = sent_;
        std::printf("  sent       %ld datagrams, %.0f MB, in %.1f s: %ld by unicast, %ld by broadcast;\n"
                    "             %ld noise, %ld short, %ld replies, %ld headed noise",
                    c.sent, static_cast<double>(c.bytes) / 1e6, c.seconds, c.unicast, c.broadcast, c.noise,
                    c.shortOnes, c.replies, c.headedNoise);
        if (c.refused > 0)
            std::printf("; %ld refused by sendto (errno %d)", c.refused, c.lastError);
        std::printf(
            "\n  delivered  %lld to the program's socket; %lld dropped at its full buffer, %lld failed "
            "reassemblies, %lld lost otherwise on the way\n",
            delivered_, bufferFull_, reassemblyFailed_,
            std::max(0LL, c.sent - delivered_ - bufferFull_ - reassemblyFailed_));
        std::printf("  window     answered a ping during the flood: %s\n", answers_.summary().c_str());
        std::printf("  CPU        %d %% of a core during the flood; in each second after it:", cpuDuring_);
        for (const int share : cpuAfter_)
            std::printf(" %d %%", share);
        std::printf("\n");
    }

private:
    ScriptedProgram& tool_;
    FloodSender& sender_;
    const Options& options_;
    AnswerTimes answers_;
    FloodCounts sent_;
    int cpuDuring_ = 0;
    std::vector<int> cpuAfter_;
    long long delivered_ = 0, bufferFull_ = 0, reassemblyFailed_ = 0;
};

int ListModule(ScriptedProgram& tool, const std::string& moduleLine) {
    Press(tool, "search");
    int row = -1;
    if (!WaitFor([&] { return (row = RowOf(tool, moduleLine)) >= 0; }))
        throw std::runtime_error("the search did not list " + moduleLine);
    return row;
}

void FloodDuringSearch(ScriptedProgram& tool, FloodSender& sender, const Options& options,
                       const std::string& moduleLine) {
    std::printf("\nflood 1: during an open search, its boxes left unanswered until the end\n");
    ListModule(tool, moduleLine);
    Flood flood(tool, sender, options);
    flood.run([] {});
    flood.print();
    const WindowState state = StateOf(tool);
    BoxTally boxes;
    boxes.answerAll(tool);
    std::printf("  list       %d lines; a box was %s\n", state.list, state.box ? "open" : "not open");
    std::printf("  boxes      %d answered one by one afterwards:\n", boxes.total());
    boxes.print();
    const auto dropped = LogLines(tool, "提示过多");
    if (dropped.first > 0)
        std::printf("  log        %s\n", dropped.second.c_str());
    std::printf("  memory     RSS %ld kB, peak so far %ld kB\n", tool.residentKb(), tool.peakResidentKb());
}

void FloodDuringReadAll(ScriptedProgram& tool, FloodSender& sender, const Options& options,
                        const std::string& moduleLine) {
    std::printf(
        "\nflood 2: during read-alls, each pressed again once the last has ended, their boxes answered\n");
    const int row = ListModule(tool, moduleLine);
    const int versions = LogLines(tool, "版本号为").first;
    const double selected = MonotonicMs();
    Press(tool, "select " + std::to_string(row)); // selecting the line reads the module
    if (!WaitFor([&] { return LogLines(tool, "版本号为").first > versions && !StateOf(tool).reading; }))
        throw std::runtime_error("the read-all before the flood did not end");
    std::printf("  before     one read-all of the module without a flood: %.0f ms\n",
                MonotonicMs() - selected);

    const int versionsBefore = LogLines(tool, "版本号为").first;
    const int failuresBefore = LogLines(tool, "失败").first;
    BoxTally boxes;
    int presses = 0;
    int looks = 0, waiting = 0;
    int acts = StateOf(tool).acts;
    Flood flood(tool, sender, options);
    flood.run([&] {
        const WindowState state = StateOf(tool);
        ++looks;
        waiting += state.reading;
        if (state.box) {
            boxes.answer(tool);
        } else if (!state.reading && state.acts == acts) {
            tool.require("read");
            ++acts;
            ++presses;
        }
    });
    flood.print();
    // The last read-all ends by itself, through its boxes.
    if (!WaitFor([&] {
            boxes.answerAll(tool);
            return !StateOf(tool).reading;
        }))
        throw std::runtime_error("the last read-all did not end");
    boxes.answerAll(tool);
    std::printf(
        "  read-alls  %d pressed during the flood, a transaction waiting at %d of %d looks; by the end "
        "%d read the version, the last query of the chain; %d failure lines in the log\n",
        presses, waiting, looks, LogLines(tool, "版本号为").first - versionsBefore,
        LogLines(tool, "失败").first - failuresBefore);
    std::printf("  boxes      %d answered as they came:\n", boxes.total());
    boxes.print();
    std::printf("  memory     RSS %ld kB, peak so far %ld kB\n", tool.residentKb(), tool.peakResidentKb());
}

int Main(const Options& options) {
    testbed::SimLan lan({.modules = 1});
    const std::string mac = lan.control().params(0).at("MAC");
    const std::string moduleLine = lan.moduleAddress(0) + ":" + mac;
    FloodLan floodLan;
    testbed::ScratchDir folder;
    FloodSender sender(floodLan.socket(), floodLan.hostAddress(), mac, options.seed);
    std::printf("lumiq-config under a flood: %ld datagrams a flood from %s's LAN (seed %u), "
                "one well-behaved module %s\n",
                options.datagrams, floodLan.hostAddress().c_str(), options.seed, moduleLine.c_str());
    ScriptedProgram tool(options.program, folder.path());
    try {
        // Figures of the settled window: after its first search.
        ListModule(tool, moduleLine);
        AnswerTimes idle;
        for (int i = 0; i < kIdlePings; ++i) {
            idle.ping(tool);
            Pause(kPingGapMs);
        }
        std::printf("  before     RSS %ld kB; the window answered a ping, idle: %s\n", tool.residentKb(),
                    idle.summary().c_str());
        FloodDuringSearch(tool, sender, options, moduleLine);
        FloodDuringReadAll(tool, sender, options, moduleLine);

        std::printf("\nafterwards\n");
        const double pressed = MonotonicMs();
        ListModule(tool, moduleLine);
        std::printf("  search     lists the well-behaved module: yes, %.0f ms after the press (%d lines)\n",
                    MonotonicMs() - pressed, StateOf(tool).list);
        const long peak = tool.peakResidentKb();
        const bool clean = tool.quit(kStepDeadlineMs);
        std::printf("  program    crashed: no; peak RSS %ld kB; ended on quit with %s\n", peak,
                    tool.ending().empty() ? "nothing (still running, killed)" : tool.ending().c_str());
        return clean ? 0 : 1;
    } catch (const ProgramEnded& gone) {
        std::fflush(stdout);
        const bool signalled = tool.ending().rfind("killed by signal", 0) == 0;
        std::printf("\n  program    crashed: %s: %s\n", signalled ? "YES" : "it ended by itself",
                    tool.ending().c_str());
        std::printf("  its last output:\n%s", tool.outputTail(60).c_str());
        return 1;
    }
}

} // namespace
} // namespace lumiq::bench

int main(int argc, char** argv) {
    using namespace lumiq::bench;
    if (argc < 2) {
        std::fprintf(
            stderr,
            "usage: bench_udp_flood <lumiq-config-scripted> [datagrams per flood] [seconds after] [seed]\n");
        return 2;
    }
    Options options;
    options.program = argv[1];
    if (argc > 2 && std::atol(argv[2]) > 0)
        options.datagrams = std::atol(argv[2]);
    if (argc > 3 && std::atoi(argv[3]) >= 0)
        options.secondsAfter = std::atoi(argv[3]);
    if (argc > 4)
        options.seed = static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10));
    try {
        return Main(options);
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "bench_udp_flood: %s\n", e.what());
        return 1;
    }
}
