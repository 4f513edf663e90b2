// lumiq commission end to end: factory-fresh modules, all at one address,
// plugged in two at a time while the station runs; an address of the pool
// that a host on the LAN holds; a restarted station; and the check after a
// power cycle.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "fleet/CsvText.h"
#include "tests/cli/LumiqRun.h"
#include "tests/support/BackgroundProgram.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq {
namespace {

using namespace std::chrono_literals;
using testbed::SimLan;

testbed::BackgroundProgram Station(const testbed::ScratchDir& scratch, std::vector<std::string> args) {
    args.insert(args.begin(), {testbed::BuiltProgram("/cli/lumiq"), "commission"});
    return testbed::BackgroundProgram(args, scratch.file("station.out"));
}

std::string MacOf(int module) {
    char mac[32];
    std::snprintf(mac, sizeof mac, "02:4c:51:00:0d:%02x", module + 1);
    return mac;
}

std::string Slurp(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class LumiqStation : public ::testing::Test {
protected:
    // Ten factory-fresh modules at 10.77.1.1, none plugged in; the last one
    // forgets its name and address at a power cycle.
    void SetUp() override {
        std::ofstream file(scratch.file("modules.ini"));
        for (int module = 0; module < 10; ++module) {
            file << "[module]\nmac = " << MacOf(module) << "\nip = 10.77.1.1\nname = FACTORY\nplugged = no\n";
            if (module == 9)
                file << "forget = IP,NAME\n";
        }
        file.close();
        std::ofstream(scratch.file("line.ini")) << "[profile]\nmask=255.255.0.0\ngateway=10.77.0.1\n";
        lan = std::make_unique<SimLan>(testbed::SimLanOptions{0, scratch.file("modules.ini")});
    }
    std::vector<std::string> stationArgs(int count) {
        std::vector<std::string> args{"--profile",  scratch.file("line.ini"),
                                      "--assign",   "ip=10.77.2.1-10.77.2.40",
                                      "--assign",   "name=Press-{n:03}",
                                      "--log",      scratch.file("log.csv"),
                                      "--interval", "300"};
        if (count > 0)
            args.insert(args.end(), {"--count", std::to_string(count)});
        return args;
    }
    void plug(int module) { lan->control().command("plug " + std::to_string(module)); }
    std::vector<fleet::CsvRow> log() { return fleet::ParseCsv(Slurp(scratch.file("log.csv"))); }

    testbed::ScratchDir scratch;
    std::unique_ptr<SimLan> lan;
};

TEST_F(LumiqStation, ModulesTwoAtATimeGetTheNextIdentitiesSkippingATakenAddressAndARestartGoesOn) {
    // Another host on the LAN holds the pool's third address.
    lan->lan().ip("addr add 10.77.2.3/32 dev lan0");
    for (int run = 0; run < 2; ++run) {
        auto station = Station(scratch, stationArgs(4));
        if (run == 1) {
            EXPECT_TRUE(station.waitFor("is done in the log", 4));
        }
        for (int pair = 0; pair < 2; ++pair) {
            const int first = run * 4 + pair * 2;
            plug(first);
            plug(first + 1);
            EXPECT_TRUE(station.waitFor("… applied", pair * 2 + 2)) << run << pair;
        }
        const auto ended = station.end();
        EXPECT_EQ(ended.exitStatus, 0) << ended.err << ended.out;
    }
    // First come, first numbered; 10.77.2.3 given to nobody.
    const std::vector<std::string> addresses{"10.77.2.1", "10.77.2.2", "10.77.2.4", "10.77.2.5",
                                             "10.77.2.6", "10.77.2.7", "10.77.2.8", "10.77.2.9"};
    std::set<std::string> given;
    for (int module = 0; module < 8; ++module) {
        const auto params = lan->control().params(module);
        given.insert(params.at("IP"));
        EXPECT_EQ(params.at("NAME").substr(0, 6), "Press-") << module;
        EXPECT_EQ(params.at("MASK"), "255.255.0.0") << module;
    }
    EXPECT_EQ(given, std::set<std::string>(addresses.begin(), addresses.end()));
    // Each pair in either order, but pairs in order of their arrival.
    EXPECT_TRUE(lan->control().params(0).at("NAME") == "Press-001" ||
                lan->control().params(1).at("NAME") == "Press-001");
    EXPECT_TRUE(lan->control().params(6).at("NAME") == "Press-007" ||
                lan->control().params(7).at("NAME") == "Press-007");

    int done = 0;
    int taken = 0;
    for (const fleet::CsvRow& row : log()) {
        if (row.fields.size() < 10)
            continue;
        done += row.fields[9] == "yes";
        taken += row.fields[7] == "address-taken" && row.fields[5] == "10.77.2.3";
    }
    EXPECT_EQ(done, 8);
    EXPECT_EQ(taken, 1);
}

TEST_F(LumiqStation, AfterAPowerCycleAModuleThatKeptItsValuesIsVerifiedOneThatLostThemFails) {
    auto args = stationArgs(0);
    args.push_back("--verify-after-restart");
    auto station = Station(scratch, args);
    plug(8);
    plug(9);
    ASSERT_TRUE(station.waitFor("waiting for it to restart", 2));
    lan->control().command("power-cycle all 3000");
    ASSERT_TRUE(station.waitFor("verified"));
    ASSERT_TRUE(station.waitFor("lost"));
    station.interrupt();
    const auto ended = station.end();
    EXPECT_EQ(ended.exitStatus, 130) << ended.err << ended.out;
    const auto lineOf = [&](int module) {
        const auto at = ended.out.find(MacOf(module) + " → 10.77.2.");
        return at == std::string::npos ? std::string() : ended.out.substr(at, ended.out.find('\n', at) - at);
    };
    EXPECT_NE(lineOf(8).find("… applied, verified"), std::string::npos) << ended.out;
    EXPECT_NE(lineOf(9).find("… applied, lost ip, name"), std::string::npos) << ended.out;
    EXPECT_NE(ended.out.find("1 module done, 1 failed; interrupted"), std::string::npos) << ended.out;
}

} // namespace
} // namespace lumiq
