// The line station with 1 and with 64 factory-fresh modules, all at one
// address, plugged in when it starts: each module gets the next address and
// name of the pools after an ARP probe, is written and read back, and is
// done once it was power-cycled and came back with its values. The time is
// the program's, from its start to its end after the last module; the
// modules are power-cycled (3 s off, about what a module takes to start again) as soon as every one of them
// waits for it, so that the one-module time holds exactly the same steps.

#include "tests/bench/fleet/StationBench.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/BackgroundProgram.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq::bench {
namespace {

constexpr int kOffMs = 3000;

double StationRun(int modules, bool verify) {
    testbed::ScratchDir scratch;
    {
        std::ofstream file(scratch.file("modules.ini"));
        for (int module = 0; module < modules; ++module) {
            char mac[32];
            std::snprintf(mac, sizeof mac, "02:4c:51:00:%02x:%02x", (module + 1) >> 8, (module + 1) & 0xff);
            file << "[module]\nmac = " << mac << "\nip = 10.77.1.1\n";
        }
    }
    testbed::SimLan lan(testbed::SimLanOptions{0, scratch.file("modules.ini")});
    std::vector<std::string> argv{std::string(std::getenv("LUMIQ_BINARY_DIR")) + "/cli/lumiq",
                                  "commission",
                                  "--assign",
                                  "ip=10.77.2.1-10.77.3.250",
                                  "--assign",
                                  "name=Bench-{n:03}",
                                  "--log",
                                  scratch.file("log.csv"),
                                  "--count",
                                  std::to_string(modules)};
    if (verify)
        argv.push_back("--verify-after-restart");
    testbed::BackgroundProgram station(argv, scratch.file("out"));
    if (verify) {
        if (!station.waitFor("waiting for it to restart", modules, std::chrono::minutes(2)))
            throw std::runtime_error("the modules did not all wait for their restart: " + station.out());
        lan.control().command("power-cycle all " + std::to_string(kOffMs));
    }
    const testbed::ProgramResult result = station.end();
    if (result.exitStatus != 0)
        throw std::runtime_error("lumiq commission ended " + std::to_string(result.exitStatus) + ": " +
                                 result.err + result.out);
    return result.elapsedMs;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

void MeasureStation(int runs) {
    std::printf("lumiq commission, modules at one factory address; with --verify-after-restart all are\n"
                "power-cycled (%d ms off) once every one waits for it\n",
                kOffMs);
    for (const bool verify : {true, false}) {
        double one = 0;
        for (const int modules : {1, 64}) {
            std::vector<double> times;
            for (int run = 0; run < runs; ++run)
                times.push_back(StationRun(modules, verify));
            const double median = Median(times);
            if (modules == 1)
                one = median;
            std::printf("  %-24s %3d modules  %7.0f ms  x%.2f\n",
                        verify ? "--verify-after-restart" : "read back only", modules, median, median / one);
        }
    }
    std::printf("\n");
}

} // namespace lumiq::bench
