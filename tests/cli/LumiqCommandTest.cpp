// The lumiq program against simulated modules on two LANs, one adapter each:
// three modules on the first, one reachable only through the second.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "base/GbkText.h"
#include "device/Parameter.h"
#include "state/SettingsFile.h"
#include "tests/cli/LumiqRun.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TraceRows.h"
#include "tests/support/simbed/SimLan.h"
#include "tests/support/simbed/SimPty.h"

namespace lumiq {
namespace {

using nlohmann::json;
using testbed::ExpectMatchesSchema;
using testbed::FrameRecord;
using testbed::Lumiq;
using testbed::ProgramResult;
using testbed::SetFramesTo;
using testbed::SimLan;

constexpr const char* kMacA0 = "02:4c:51:00:00:01";
constexpr const char* kMacA1 = "02:4c:51:00:00:02";
constexpr const char* kMacA2 = "02:4c:51:00:00:03";
constexpr const char* kMacB0 = "02:4c:51:00:0b:01";

// The sender field of a frame's envelope "<target>,<sender>,".
std::string SenderOf(const FrameRecord& frame) {
    const std::size_t open = frame.bytes.find(",<");
    const std::size_t close = frame.bytes.find('>', open);
    return open == std::string::npos || close == std::string::npos
               ? ""
               : frame.bytes.substr(open + 2, close - open - 2);
}

json ModuleOf(const json& document, const std::string& mac) {
    for (const json& module : document.at("modules"))
        if (module.at("mac") == mac)
            return module;
    ADD_FAILURE() << "no module " << mac << " in " << document.dump();
    return json::object();
}

class LumiqOnTwoLans : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        lanA = std::make_unique<SimLan>(testbed::SimLanOptions{3});
        std::ofstream(scratch->file("b.ini")) << "[module]\nmac = " << kMacB0 << "\nname = 二号线\n";
        lanB = std::make_unique<SimLan>(testbed::SimLanOptions{0, scratch->file("b.ini"), {}, "10.78"});
    }
    static void TearDownTestSuite() {
        lanB.reset();
        lanA.reset();
    }
    void SetUp() override {
        for (SimLan* lan : {lanA.get(), lanB.get()}) {
            lan->control().resetAll();
            lan->control().clearLog();
        }
    }

    // Every frame a LAN's modules received came through that LAN's adapter.
    static void ExpectSentThroughItsOwnAdapter() {
        for (SimLan* lan : {lanA.get(), lanB.get()}) {
            for (const FrameRecord& frame : lan->control().received())
                EXPECT_EQ(SenderOf(frame), lan->hostMac()) << frame.bytes;
        }
    }

    static inline std::unique_ptr<testbed::ScratchDir> scratch = std::make_unique<testbed::ScratchDir>();
    static inline std::unique_ptr<SimLan> lanA;
    static inline std::unique_ptr<SimLan> lanB;
};

TEST_F(LumiqOnTwoLans, SearchOnEveryAdapterTellsWhereEachModuleAnsweredAndFlagsDuplicates) {
    const ProgramResult search = Lumiq({"search", "--json"});
    ASSERT_EQ(search.exitStatus, 0) << search.err;
    ExpectMatchesSchema(search.out);
    const json found = json::parse(search.out);
    EXPECT_EQ(found.at("modules").size(), 4u);
    for (const char* mac : {kMacA0, kMacA1, kMacA2})
        EXPECT_EQ(ModuleOf(found, mac).at("adapter"), lanA->hostInterface());
    EXPECT_EQ(ModuleOf(found, kMacB0).at("adapter"), lanB->hostInterface());
    EXPECT_EQ(ModuleOf(found, kMacB0).at("address"), "10.78.1.1");
    ExpectSentThroughItsOwnAdapter();

    lanA->control().set(1, "MAC", kMacA0);
    const ProgramResult duplicates = Lumiq({"search", "--csv"});
    EXPECT_EQ(duplicates.exitStatus, 0);
    EXPECT_NE(duplicates.out.find(std::string(kMacA0) + ",10.77.1.1,5000," + lanA->hostInterface() +
                                  ",unicast,2,yes,no"),
              std::string::npos)
        << duplicates.out;
    EXPECT_NE(duplicates.out.find(std::string(kMacA0) + ",10.77.1.2,"), std::string::npos);
    // Frames go to a MAC: one that two modules share names neither.
    const ProgramResult read = Lumiq({"read", kMacA0});
    EXPECT_EQ(read.exitStatus, 1);
    EXPECT_NE(read.out.find("ambiguous"), std::string::npos) << read.out;
}

TEST_F(LumiqOnTwoLans, ReadAllGoesThroughEachModulesAdapterWhileATooSlowModuleTimesOut) {
    // It answers the search, which waits; to the read it is silent.
    lanA->control().fault(2, "delay 3000");
    const ProgramResult read =
        Lumiq({"read", "all", "--json", "--expect", "4", "--wait", "6000", "--timeout", "400"});
    EXPECT_EQ(read.exitStatus, 1) << read.err;
    ExpectMatchesSchema(read.out);
    const json document = json::parse(read.out);
    ASSERT_EQ(document.at("modules").size(), 4u);
    for (const char* mac : {kMacA0, kMacA1, kMacB0})
        EXPECT_EQ(ModuleOf(document, mac).at("status"), "ok") << mac;
    const json slow = ModuleOf(document, kMacA2);
    EXPECT_EQ(slow.at("status"), "failed");
    EXPECT_EQ(slow.at("failure").at("step"), "link test");
    EXPECT_EQ(slow.at("failure").at("outcome"), "timeout");
    EXPECT_EQ(slow.at("failure").at("sends"), 4);
    const json b = ModuleOf(document, kMacB0).at("values");
    EXPECT_EQ(b.at("name"), "二号线");
    EXPECT_EQ(b.at("ip"), "10.78.1.1");
    EXPECT_EQ(b.at("version"), "V2.0");
    EXPECT_EQ(ModuleOf(document, kMacA1).at("values").at("mode"), "TCP_Client");
    ExpectSentThroughItsOwnAdapter();
}

TEST_F(LumiqOnTwoLans, ARefusedValueStopsOnlyItsModuleAndADefaultReadsBackThroughTheRightAdapter) {
    lanA->control().fault(1, "refuse DPORT");
    const ProgramResult set =
        Lumiq({"set", kMacA0, "10.77.1.2", kMacB0, "dport=9100", "name=Line 7", "--csv"});
    EXPECT_EQ(set.exitStatus, 1) << set.err;
    EXPECT_NE(set.out.find("mac,dport,name,address,adapter,status,detail,mac_before\n"), std::string::npos)
        << set.out;
    EXPECT_NE(set.out.find(std::string(kMacA0) + ",9100,Line 7,10.77.1.1,"), std::string::npos) << set.out;
    EXPECT_NE(set.out.find(std::string(kMacA1) + ",,,10.77.1.2," + lanA->hostInterface() +
                           ",failed,\"set dport refused, reply \"\"ERROR\"\"\""),
              std::string::npos)
        << set.out;
    EXPECT_EQ(lanA->control().params(0).at("NAME"), "Line 7");
    EXPECT_EQ(lanA->control().params(1).at("NAME"), "LUMIQ-002");
    EXPECT_EQ(lanB->control().params(0).at("DPORT"), "9100");

    lanA->control().clearLog();
    lanB->control().clearLog();
    const ProgramResult reset = Lumiq({"default", kMacB0, "--yes", "--json"});
    EXPECT_EQ(reset.exitStatus, 0) << reset.err;
    EXPECT_EQ(ModuleOf(json::parse(reset.out), kMacB0).at("values").at("dport"), "9000");
    EXPECT_EQ(lanB->control().params(0).at("DPORT"), "9000");
    std::size_t defaults = 0;
    for (const FrameRecord& frame : lanB->control().received())
        defaults += frame.bytes.find("AT+DEFAULT") != std::string::npos;
    EXPECT_EQ(defaults, 1u);
    for (const FrameRecord& frame : lanA->control().received())
        EXPECT_EQ(frame.bytes.find("AT+DEFAULT"), std::string::npos);
    ExpectSentThroughItsOwnAdapter();
}

TEST_F(LumiqOnTwoLans, BadInputExitsWithStatusTwoBeforeAnythingIsSent) {
    const std::vector<std::vector<std::string>> refused{
        {"set", "all", "ip=300.1.1.1"},
        {"set", "all", "mac=01:00:5e:00:00:01"},
        {"set", kMacA0, "10.78.1.1", "ip=10.77.9.9"},
        {"set", "all", "name=0123456789abcdef"},
        {"get", "all", "colour"},
        {"read", "02:4c:51"},
        {"read"},
        {"read", "all", "--adapter", "nosuch0"},
        {"default", "all"}, // stdin is no terminal, and no --yes
        {"--trace", "/nonexistent-folder/trace.pcap", "search"},
    };
    for (const auto& args : refused) {
        const ProgramResult run = Lumiq(args);
        EXPECT_EQ(run.exitStatus, 2) << args.front() << " " << args.back() << ": " << run.err;
        EXPECT_NE(run.err.find("lumiq: "), std::string::npos);
    }
    for (SimLan* lan : {lanA.get(), lanB.get()})
        EXPECT_TRUE(lan->control().received().empty());

    // How many modules `all` stands for is known after the search, and only that went out.
    const ProgramResult shared = Lumiq({"set", "all", "ip=10.77.9.9", "--expect", "4"});
    EXPECT_EQ(shared.exitStatus, 2);
    EXPECT_NE(shared.err.find("for 4 modules"), std::string::npos) << shared.err;
    for (SimLan* lan : {lanA.get(), lanB.get()}) {
        for (const FrameRecord& frame : lan->control().received())
            EXPECT_EQ(frame.bytes.substr(frame.bytes.size() - 4), "AT\r\n");
    }
}

TEST_F(LumiqOnTwoLans, TracesKeepTheSearchTheReadAllAndTheSetOfACommand) {
    ::setenv("XDG_STATE_HOME", scratch->path().c_str(), 1);
    const std::string readTrace = scratch->file("read.pcap");
    const std::string setTrace = scratch->file("set.pcap");
    const std::map<std::string, std::string> params = lanB->control().params(0);
    ASSERT_EQ(Lumiq({"--trace", readTrace, "read", kMacB0}).exitStatus, 0);
    ASSERT_EQ(Lumiq({"--trace", setTrace, "set", kMacB0, "name=三号线"}).exitStatus, 0);

    const std::vector<testbed::TraceRow> read = testbed::DissectTrace(readTrace);
    EXPECT_GE(testbed::CountRows(read, testbed::SearchSent(lanB->hostMac())), 1);
    EXPECT_EQ(
        testbed::MissingReadAll(read, params, {{"lumiq.target_mac", kMacB0}}, {{"lumiq.module_mac", kMacB0}}),
        std::vector<std::string>{});
    EXPECT_EQ(testbed::CountRows(testbed::DissectTrace(setTrace), testbed::SetSent("NAME", "三号线", kMacB0)),
              1);
    std::string remembered;
    std::getline(std::ifstream(scratch->file("lumiq-config/last-trace")), remembered);
    EXPECT_EQ(remembered, setTrace);
}

TEST_F(LumiqOnTwoLans, ApplyWritesOnlyWhatDiffersReadsItBackAndEndsEachModuleWithItsOwnResult) {
    const std::string profile = scratch->file("line.ini");
    const std::string identities = scratch->file("identities.csv");
    std::ofstream(profile) << "# line 7\n[profile]\nmode=UDP\ndport=9100\n";
    std::ofstream(identities) << "mac,ip,name,new_mac\n"
                              << kMacA0 << ",10.77.1.11,一号机,02:4c:51:00:00:aa\n"
                              << kMacA1 << ",,Line 2,\n"
                              << kMacA2 << ",,,\n"
                              << kMacB0 << ",,二号线,\n"
                              << "02:4c:51:00:0f:0f,,,\n";
    // The second LAN's module is right already.
    lanB->control().set(0, "MODEL", "2");
    lanB->control().set(0, "DPORT", "9100");

    const std::vector<std::string> apply{"apply",    "--profile", profile, "--identities",
                                         identities, "--expect",  "4"};
    std::vector<std::string> check = apply;
    check.insert(check.end(), {"--check", kMacA0, kMacB0});
    const ProgramResult differs = Lumiq(check);
    EXPECT_EQ(differs.exitStatus, 1) << differs.err;
    for (const char* change :
         {"  mode: TCP_Server → UDP\n", "  ip: 10.77.1.1 → 10.77.1.11\n", "  name: LUMIQ-001 → 一号机\n",
          "  mac: 02:4c:51:00:00:01 → 02:4c:51:00:00:aa\n"})
        EXPECT_NE(differs.out.find(change), std::string::npos) << change << differs.out;
    EXPECT_NE(differs.out.find("unchanged"), std::string::npos) << differs.out;
    check.erase(check.end() - 2); // the module that is right already, alone
    EXPECT_EQ(Lumiq(check).exitStatus, 0);
    // An inventory fed back as it is: an identity table that its modules match.
    const std::string inventory = scratch->file("inventory.csv");
    std::ofstream(inventory) << Lumiq({"read", kMacA1, kMacB0, "--csv", "--expect", "4"}).out;
    EXPECT_EQ(Lumiq({"apply", "--identities", inventory, "--check", "--expect", "4"}).exitStatus, 0);
    for (SimLan* lan : {lanA.get(), lanB.get()})
        EXPECT_EQ(SetFramesTo(*lan), 0u);

    lanA->control().fault(1, "refuse NAME");
    lanA->control().fault(2, "delay 3000"); // answers the search, then times out
    std::vector<std::string> run = apply;
    run.insert(run.end(), {"--json", "--wait", "6000", "--timeout", "400"});
    const ProgramResult applied = Lumiq(run);
    EXPECT_EQ(applied.exitStatus, 1) << applied.err;
    ExpectMatchesSchema(applied.out);
    const json document = json::parse(applied.out);
    EXPECT_EQ(document.at("check"), false);
    const json a0 = ModuleOf(document, "02:4c:51:00:00:aa");
    EXPECT_EQ(a0.at("status"), "applied") << a0.dump();
    EXPECT_EQ(a0.at("macBefore"), kMacA0);
    EXPECT_EQ(a0.at("apply").at("written").back(), "set mac=02:4c:51:00:00:aa");
    const json a1 = ModuleOf(document, kMacA1);
    EXPECT_EQ(a1.at("status"), "refused");
    EXPECT_EQ(a1.at("detail"), "set name=Line 2 refused: ERROR");
    EXPECT_EQ(a1.at("apply").at("written"), json({"set mode=UDP", "set dport=9100"}));
    EXPECT_EQ(a1.at("apply").at("notWritten"), json({"name=Line 2"}));
    // Its values are what it holds: the sets it confirmed over what it was read with.
    EXPECT_EQ(a1.at("values").at("mode"), "UDP");
    EXPECT_EQ(a1.at("values").at("name"), "LUMIQ-002");
    EXPECT_EQ(ModuleOf(document, kMacA2).at("status"), "timeout");
    // A late answer to the search ("AT" too) may still pass for the link test's.
    EXPECT_EQ(ModuleOf(document, kMacA2).at("detail").get<std::string>().rfind("no reply to ", 0), 0u);
    EXPECT_EQ(ModuleOf(document, kMacB0).at("status"), "unchanged");
    EXPECT_EQ(ModuleOf(document, "02:4c:51:00:0f:0f").at("status"), "missing");

    const auto a0Params = lanA->control().params(0);
    EXPECT_EQ(a0Params.at("IP"), "10.77.1.11");
    EXPECT_EQ(a0Params.at("NAME"), Utf8ToGbk("一号机"));
    EXPECT_EQ(a0Params.at("MODEL"), "2");
    EXPECT_EQ(lanA->control().params(1).at("NAME"), "LUMIQ-002");
    EXPECT_EQ(SetFramesTo(*lanB), 0u);
}

TEST_F(LumiqOnTwoLans, ApplyTakesAWindowCfgIniWithoutItsIdentityAndRefusesBadFilesBeforeSending) {
    // 保存配置 of a panel showing UDP, 115200 baud, 1.5 stop bits and its own module's identity.
    const std::string cfg = scratch->file("CFG.ini");
    const std::vector<std::string> stored{"2",         "10.77.0.254", "255.255.0.0", "10.77.1.99",
                                          "10.77.0.1", "7001",        "9001",        "12",
                                          "0",         "2",           "0",           "02:aa:00:00:00:99"};
    std::vector<IniValue> values;
    for (std::size_t i = 0; i < stored.size(); ++i)
        values.push_back({std::string(SettingsKeys()[i]), stored[i]});
    SettingsFile(scratch->path(), scratch->path()).SaveSettings(values);

    const ProgramResult applied = Lumiq({"apply", "--profile", cfg, "--expect", "4"});
    EXPECT_EQ(applied.exitStatus, 0) << applied.out << applied.err;
    const std::size_t note = applied.err.find("its module IP and MAC are left out");
    EXPECT_NE(note, std::string::npos) << applied.err;
    EXPECT_EQ(applied.err.find("left out", note + 40), std::string::npos);
    for (int m = 0; m < 3; ++m) {
        const auto params = lanA->control().params(m);
        EXPECT_EQ(params.at("IP"), lanA->moduleAddress(m));
        EXPECT_EQ(params.at("MAC"), std::vector<std::string>({kMacA0, kMacA1, kMacA2})[m]);
        EXPECT_EQ(params.at("UART"), "115200,8,2,0");
        EXPECT_EQ(params.at("PORT"), "7001");
    }
    EXPECT_EQ(lanB->control().params(0).at("MAC"), kMacB0);

    lanA->control().clearLog();
    lanB->control().clearLog();
    const auto file = [&](const std::string& name, const std::string& text) {
        std::ofstream(scratch->file(name)) << text;
        return scratch->file(name);
    };
    const std::string a0 = kMacA0, a1 = kMacA1;
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused{
        {{"--identities", file("bad.csv", "mac,ip\n" + a0 + ",10.77.1.21\n" + a1 + ",10.77.1.300\n")},
         "bad.csv:3: bad value for ip: \"10.77.1.300\""},
        {{"--profile", file("bad.ini", "[profile]\nmode=UDP\nport=70000\n"), "--check"},
         "bad.ini:3: bad value for port: \"70000\""},
        {{"--identities", file("ips.csv", "mac,ip\n" + a0 + ",10.77.1.50\n" + a1 + ",10.77.1.50\n")},
         "ips.csv:3: ip 10.77.1.50 would be given to two modules (also at " + scratch->file("ips.csv") +
             ":2)"},
        {{"--identities",
          file("macs.csv", "mac,new_mac\n" + a0 + ",02:aa:00:00:00:07\n" + a1 + ",02:AA:00:00:00:07\n")},
         "macs.csv:3: mac 02:aa:00:00:00:07 would be given to two modules"},
        {{"--profile", cfg, "--take-identity", a0, a1}, "one ip for 2 modules"},
    };
    for (const auto& [args, error] : refused) {
        std::vector<std::string> line{"apply"};
        line.insert(line.end(), args.begin(), args.end());
        const ProgramResult run = Lumiq(line);
        EXPECT_EQ(run.exitStatus, 2) << error;
        EXPECT_NE(run.err.find(error), std::string::npos) << run.err;
    }
    for (SimLan* lan : {lanA.get(), lanB.get()})
        EXPECT_TRUE(lan->control().received().empty());
}

TEST_F(LumiqOnTwoLans, ReadNamesTheModulesThatDidNotAnswerAndFailsForThem) {
    constexpr const char* kGone = "02:4c:51:00:0f:0f";
    const ProgramResult named = Lumiq({"read", kMacA0, kGone, "--wait", "300"});
    EXPECT_EQ(named.exitStatus, 1) << named.err;
    EXPECT_NE(named.err.find(std::string("no answer from ") + kGone), std::string::npos) << named.err;
    const ProgramResult counted = Lumiq({"read", "all", "--expect", "5", "--wait", "300", "--csv"});
    EXPECT_EQ(counted.exitStatus, 1) << counted.err;
    EXPECT_NE(counted.err.find("4 of 5 expected modules answered"), std::string::npos) << counted.err;
}

TEST_F(LumiqOnTwoLans, ReadFitsTheTerminalAndShowsTheColumnsAskedFor) {
    ::setenv("COLUMNS", "100", 1);
    const ProgramResult whole = Lumiq({"read", "all", "--wait", "300"});
    const ProgramResult chosen = Lumiq({"read", "all", "--wait", "300", "--columns", "name,mac,mode"});
    ::unsetenv("COLUMNS");
    ASSERT_EQ(whole.exitStatus, 0) << whole.err;
    EXPECT_NE(whole.err.find("4 modules answered"), std::string::npos) << whole.err;
    ASSERT_EQ(chosen.exitStatus, 0) << chosen.err;
    // Bytes: at least the columns a line takes.
    std::istringstream lines(whole.out + chosen.out);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 100u) << line;
    for (const char* shown : {kMacA0, kMacB0, "二号线", "V2.0"})
        EXPECT_NE(whole.out.find(shown), std::string::npos) << shown << " in\n" << whole.out;
    EXPECT_EQ(std::count(chosen.out.begin(), chosen.out.end(), '\n'), 5) << chosen.out;
    EXPECT_EQ(chosen.out.rfind("NAME", 0), 0u) << chosen.out;

    // The CSV stays an identity table: mac first.
    const ProgramResult csv = Lumiq({"read", "all", "--wait", "300", "--csv", "--columns", "name,mac,mode"});
    EXPECT_EQ(csv.out.rfind("mac,name,mode\n", 0), 0u) << csv.out;
    const ProgramResult unknown = Lumiq({"read", "all", "--columns", "mode,colour"});
    EXPECT_EQ(unknown.exitStatus, 2);
    EXPECT_NE(unknown.err.find("unknown column \"colour\"; the columns are mode,gateway,"), std::string::npos)
        << unknown.err;
}

TEST(LumiqSerial, ReadsTheModuleWiredToAPort) {
    testbed::SimPty pty;
    testbed::ScratchDir scratch;
    ::setenv("XDG_STATE_HOME", scratch.path().c_str(), 1);
    const ProgramResult read =
        Lumiq({"--trace", scratch.file("serial.pcap"), "read", "--serial", pty.devicePath(), "--json"});
    ASSERT_EQ(read.exitStatus, 0) << read.err;
    EXPECT_EQ(testbed::MissingReadAll(testbed::DissectTrace(scratch.file("serial.pcap")),
                                      pty.control().params(0), {{"lumiq.direction", "tool to module"}},
                                      {{"lumiq.direction", "module to tool"}}),
              std::vector<std::string>{});
    const json module = json::parse(read.out).at("modules").at(0);
    EXPECT_EQ(module.at("adapter"), pty.devicePath());
    EXPECT_EQ(module.at("mac"), pty.control().params(0).at("MAC"));
    EXPECT_EQ(module.at("values").at("version"), "V2.0");
}

} // namespace
} // namespace lumiq
