// What lumiq reports is what the modules hold: late answers, a second sender
// for one MAC, identities another module holds, and interrupts, against
// lumiq-sim on one LAN.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>

#include "tests/cli/LumiqRun.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq {
namespace {

using nlohmann::json;
using testbed::BuiltProgram;
using testbed::Lumiq;
using testbed::ProgramResult;
using testbed::SetFramesTo;
using testbed::SimLan;

constexpr const char* kMac0 = "02:4c:51:00:00:01";
constexpr const char* kMac1 = "02:4c:51:00:00:02";

using States = std::map<std::string, std::string>;

// What became of each value of a set, by key.
States Writes(const ProgramResult& run) {
    States states;
    const json document = json::parse(run.out);
    for (const json& write : document.at("modules").at(0).at("writes"))
        states[write.at("key").get<std::string>()] = write.at("state").get<std::string>();
    return states;
}

class LumiqTrust : public ::testing::Test {
protected:
    static void SetUpTestSuite() { lan = std::make_unique<SimLan>(testbed::SimLanOptions{2}); }
    static void TearDownTestSuite() { lan.reset(); }
    void SetUp() override {
        lan->control().resetAll();
        lan->control().clearLog();
    }
    static inline std::unique_ptr<SimLan> lan;
};

TEST_F(LumiqTrust, LateAnswersAndASecondSenderNeverPassForTheModulesOwn) {
    // Every answer 1.1 s late against a 1 s time-out; the name is refused.
    lan->control().fault(0, "delay 1100");
    lan->control().fault(0, "refuse NAME");
    const ProgramResult late = Lumiq({"set", kMac0, "port=7001", "name=X", "--json", "--wait", "2500"});
    EXPECT_EQ(late.exitStatus, 1) << late.err;
    EXPECT_EQ(Writes(late), (States{{"port", "confirmed"}, {"name", "refused"}})) << late.out;
    EXPECT_EQ(lan->control().params(0).at("PORT"), "7001");
    EXPECT_EQ(lan->control().params(0).at("NAME"), "LUMIQ-001");

    // A stray with the first module's MAC that does not answer the search
    // takes the frames to that MAC and answers them (broadcast: a unicast to
    // the module's address would not reach it).
    lan->control().resetAll();
    lan->control().set(1, "MAC", kMac0);
    lan->control().fault(1, "hidden on");
    // Its own answer, a refusal, comes after the stray's "OK".
    lan->control().fault(0, "refuse DPORT");
    lan->control().fault(0, "delay 200");
    const ProgramResult second = Lumiq({"set", kMac0, "dport=9100", "--json", "--broadcast"});
    EXPECT_EQ(second.exitStatus, 1) << second.out;
    const json module = json::parse(second.out).at("modules").at(0);
    EXPECT_EQ(module.at("status"), "failed");
    const std::string detail = module.at("detail");
    EXPECT_NE(detail.find("second sender"), std::string::npos) << detail;
    EXPECT_NE(detail.find(lan->moduleAddress(1)), std::string::npos) << detail;
    EXPECT_EQ(Writes(second), (States{{"dport", "unconfirmed"}}));

    // Found by the search, a second module with the MAC is waited for even
    // when --expect is met, and nothing is written to either.
    lan->control().fault(1, "hidden off");
    lan->control().fault(1, "delay 300");
    lan->control().clearLog();
    const ProgramResult expect = Lumiq({"set", kMac0, "dport=9100", "--expect", "1"});
    EXPECT_EQ(expect.exitStatus, 1);
    EXPECT_NE(expect.out.find("ambiguous"), std::string::npos) << expect.out;
    EXPECT_EQ(SetFramesTo(*lan), 0u);
}

TEST_F(LumiqTrust, AnIdentityAnotherModuleHoldsOrOutsideTheSubnetIsRefusedBeforeAnythingIsWritten) {
    const std::string taken = lan->moduleAddress(1);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"set", kMac0, "ip=" + taken},
                                                 {"set", kMac0, "mac=" + std::string(kMac1)},
                                                 {"set", kMac0, "ip=10.77.0.0", "mask=255.255.0.0"}}) {
        const ProgramResult run = Lumiq(args);
        EXPECT_EQ(run.exitStatus, 2) << args.back() << ": " << run.err;
        EXPECT_NE(run.err.find(args[2].substr(args[2].find('=') + 1)), std::string::npos) << run.err;
    }
    EXPECT_NE(Lumiq({"set", kMac0, "ip=" + taken}).err.find(kMac1), std::string::npos);
    testbed::ScratchDir scratch;
    std::ofstream(scratch.file("table.csv")) << "mac,new_mac\n" << kMac0 << "," << kMac1 << "\n";
    const ProgramResult apply = Lumiq({"apply", "--identities", scratch.file("table.csv")});
    EXPECT_EQ(apply.exitStatus, 2);
    EXPECT_NE(apply.err.find("holds it already"), std::string::npos) << apply.err;
    // The mask the module holds makes this its subnet's broadcast address.
    const ProgramResult broadcast = Lumiq({"set", kMac0, "ip=10.77.255.255", "--csv"});
    EXPECT_EQ(broadcast.exitStatus, 1);
    EXPECT_NE(broadcast.out.find("broadcast address of its subnet"), std::string::npos) << broadcast.out;
    EXPECT_EQ(SetFramesTo(*lan), 0u);
}

TEST_F(LumiqTrust, AnInterruptAwaitsWhatWasSentAndASecondOneEndsAtOnce) {
    // Long enough that the answer cannot come between the two signals of a busy machine.
    lan->control().fault(0, "delay 2000");
    testbed::ScratchDir scratch;
    const auto interrupted = [&](const std::string& kill) {
        lan->control().clearLog();
        // Interrupted as soon as the module took the first set (two search
        // frames, then the set). Its stderr comes through a FIFO, so that a
        // second signal can follow once the first was taken: two signals sent
        // at once may arrive as one.
        const std::string fifo = scratch.file("stderr-" + std::to_string(lan->control().frames().size()));
        const std::string script =
            "mkfifo \"$4\"; \"$1\" set " + std::string(kMac0) +
            " port=7002 name=Y --json --wait 3000 --timeout 4000 2>\"$4\" & p=$!; "
            "exec 3<\"$4\"; \"$2\" ctl --control \"$3\" wait-frames 3 10000 >/dev/null; " +
            kill + "; cat <&3 >&2; wait $p";
        return testbed::RunProgram({"/bin/sh", "-c", script, "sh", BuiltProgram("/cli/lumiq"),
                                    BuiltProgram("/sim/lumiq-sim"), lan->controlPath(), fifo});
    };
    const ProgramResult gentle = interrupted("kill -TERM $p");
    EXPECT_EQ(gentle.exitStatus, 130) << gentle.err;
    EXPECT_EQ(Writes(gentle), (States{{"port", "confirmed"}, {"name", "not-written"}})) << gentle.out;
    EXPECT_EQ(json::parse(gentle.out).at("interrupted"), true);
    EXPECT_EQ(lan->control().params(0).at("PORT"), "7002");

    const ProgramResult hard = interrupted("kill -HUP $p; read -r line <&3; kill -HUP $p");
    EXPECT_EQ(hard.exitStatus, 130) << hard.err;
    EXPECT_EQ(Writes(hard), (States{{"port", "unconfirmed"}, {"name", "not-written"}})) << hard.out;
}

} // namespace
} // namespace lumiq
