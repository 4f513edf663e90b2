// What lumiq takes in from modules and files, and what it makes of it: texts
// shown escaped, CSV that a spreadsheet cannot run and that reads back as
// written, input files refused before anything is sent, and --json's one
// document however a run ends.

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "cli/TerminalText.h"
#include "tests/cli/LumiqRun.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq {
namespace {

using nlohmann::json;
using testbed::ExpectMatchesSchema;
using testbed::ProgramResult;
using testbed::SimLan;

ProgramResult Lumiq(std::vector<std::string> args) {
    // A run that blocks on an input file would otherwise hold the test for minutes.
    return testbed::Lumiq(std::move(args), std::chrono::seconds(30));
}

// Bytes a terminal would obey: ESC, BEL, DEL.
bool HoldsRawControls(const std::string& text) {
    return text.find_first_of("\x1b\x07\x7f") != std::string::npos;
}

TEST(TerminalText, ControlsAndBytesThatAreNotUtf8AreShownEscaped) {
    using cli::TerminalText;
    EXPECT_EQ(TerminalText("\x1b[2J\x1b]52;c;aGk=\x07"), "\\x1b[2J\\x1b]52;c;aGk=\\x07");
    EXPECT_EQ(TerminalText("a\tb\r\nc\\d\x7f"), "a\\tb\\r\\nc\\\\d\\x7f");
    EXPECT_EQ(TerminalText("\xc2\x9b"
                           "2J"),
              "\\x9b2J"); // U+009B, a CSI to some terminals
    // A lone 0x9b, an overlong "/", a surrogate, a character cut short.
    EXPECT_EQ(TerminalText("\x9b|\xc0\xaf|\xed\xa0\x80|\xe4\xb8"),
              "\\x9b|\\xc0\\xaf|\\xed\\xa0\\x80|\\xe4\\xb8");
    EXPECT_EQ(TerminalText("二号线 ok\xe2\x80\xae"), "二号线 ok\\u202e");

    // Messages on stderr go the same way, also with a character split between two writes.
    std::ostringstream captured;
    std::streambuf* const original = std::cerr.rdbuf(captured.rdbuf());
    {
        const cli::EscapedStderr escaped;
        std::cerr << "lumiq: \x1b[2J \xe4\xb8" << std::flush << "\x80\n"
                  << "next\x9b\n";
    }
    std::cerr.rdbuf(original);
    EXPECT_EQ(captured.str(), "lumiq: \\x1b[2J 一\nnext\\x9b\n");
}

class LumiqInput : public ::testing::Test {
protected:
    static void SetUpTestSuite() { lan = std::make_unique<SimLan>(testbed::SimLanOptions{3}); }
    static void TearDownTestSuite() { lan.reset(); }
    void SetUp() override {
        lan->control().resetAll();
        lan->control().clearLog();
    }
    std::string file(const std::string& name, const std::string& text) {
        std::ofstream(scratch.file(name), std::ios::binary) << text;
        return scratch.file(name);
    }

    testbed::ScratchDir scratch;
    static inline std::unique_ptr<SimLan> lan;
};

TEST_F(LumiqInput, ModuleNamesAreShownEscapedAndAnInventoryOfFormulaNamesAppliesUnchanged) {
    const std::string mac0 = "02:4c:51:00:00:01", mac1 = "02:4c:51:00:00:02";
    lan->control().set(0, "NAME", "=HYPERLINK(1)");
    lan->control().set(1, "NAME", "-");
    // The simulated module takes no C0 control in a name; DEL it takes.
    lan->control().set(2, "NAME", "Line\x7f[2J");

    const ProgramResult table = Lumiq({"read", "all", "--expect", "3"});
    ASSERT_EQ(table.exitStatus, 0) << table.err;
    EXPECT_FALSE(HoldsRawControls(table.out)) << table.out;
    EXPECT_NE(table.out.find("Line\\x7f[2J"), std::string::npos) << table.out;
    // The escaped name is counted as shown: the next column starts where its header does.
    std::istringstream lines(table.out);
    std::string header, row;
    std::getline(lines, header);
    while (std::getline(lines, row) && row.find("Line\\x7f") == std::string::npos) {
    }
    const std::size_t baud = header.find("BAUD");
    ASSERT_LT(baud, row.size()) << table.out;
    EXPECT_EQ(row.substr(baud - 2, 3).find_first_not_of(' '), 2u) << table.out;

    const ProgramResult csv = Lumiq({"read", "all", "--csv", "--expect", "3"});
    ASSERT_EQ(csv.exitStatus, 0) << csv.err;
    EXPECT_NE(csv.out.find(",'=HYPERLINK(1),"), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find(",'-,"), std::string::npos) << csv.out;
    const ProgramResult document = Lumiq({"read", "all", "--json", "--expect", "3"});
    ExpectMatchesSchema(document.out);

    // The inventory of the two modules fed back: nothing to change, nothing written.
    const std::string inventory =
        file("inventory.csv", Lumiq({"read", mac0, mac1, "--csv", "--expect", "3"}).out);
    lan->control().clearLog();
    const ProgramResult check = Lumiq({"apply", "--identities", inventory, "--check", "--expect", "3"});
    EXPECT_EQ(check.exitStatus, 0) << check.out << check.err;
    for (const testbed::FrameRecord& frame : lan->control().received()) {
        const std::size_t equals = frame.bytes.find('=', frame.bytes.find("AT+"));
        EXPECT_TRUE(equals == std::string::npos || frame.bytes.compare(equals, 2, "=?") == 0) << frame.bytes;
    }
}

TEST_F(LumiqInput, InputFilesThatWouldHangOrBeDroppedAreRefusedBeforeAnythingIsSent) {
    const std::string fifo = scratch.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string noEquals = file("noeq.ini", "[profile]\nmode=UDP\nport 7000\n");
    const std::string before = file("before.ini", "dport=9100\n[profile]\nmode=UDP\n");
    const std::string columns = file("columns.csv", "mac,ip,IP\n02:4c:51:00:00:01,10.77.1.8,10.77.1.9\n");
    const std::string escapes = file("escapes.txt", "02:4c:51:00:00:01\n\x1b]52;c;aGk=\x07\x1b[2J\n");
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused{
        {{"apply", "--profile", fifo}, fifo + ": a FIFO, not a regular file"},
        {{"apply", "--identities", fifo}, fifo + ": a FIFO, not a regular file"},
        {{"read", "--targets", fifo}, fifo + ": a FIFO, not a regular file"},
        {{"read", "--targets", "/dev/zero"}, "/dev/zero: a character device, not a regular file"},
        {{"apply", "--profile", noEquals}, noEquals + ":3: not a KEY=VALUE line"},
        {{"apply", "--profile", before}, before + ":1: \"dport\" stands before the [profile] section"},
        {{"apply", "--identities", columns}, columns + ":1: two columns for ip"},
        {{"apply", "--assign", "name=Press-{x}"}, "--assign name=Press-{x}: unknown placeholder {x}"},
        {{"read", "--targets", escapes}, escapes + ":2: bad target \"\\x1b]52;c;aGk=\\x07\\x1b[2J\""},
        {{"--trace", "-", "read", "all"}, "--trace: \"-\" would mix the trace's pcap bytes into the report"},
        {{"--trace", "", "read", "all"}, "--trace: needs a file name"},
    };
    for (const auto& [args, error] : refused) {
        const ProgramResult run = Lumiq(args);
        EXPECT_EQ(run.exitStatus, 2) << error;
        EXPECT_NE(run.err.find(error), std::string::npos) << run.err;
        EXPECT_FALSE(HoldsRawControls(run.err)) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_TRUE(lan->control().received().empty());
}

TEST_F(LumiqInput, PoolsGiveTheModulesFoundTheirOwnValuesInMacOrderAndARowsCellWins) {
    const std::string table = file("own.csv", "mac,name\n02:4c:51:00:00:02,Own\n");
    const std::vector<std::string> apply{"apply",        "all",
                                         "--identities", table,
                                         "--assign",     "ip=10.77.2.10-10.77.2.19",
                                         "--assign",     "name=Press-{n:02}",
                                         "--first",      "7",
                                         "--expect",     "3"};
    const ProgramResult applied = Lumiq(apply);
    ASSERT_EQ(applied.exitStatus, 0) << applied.out << applied.err;
    const std::vector<std::pair<std::string, std::string>> wanted{
        {"10.77.2.10", "Press-07"}, {"10.77.2.11", "Own"}, {"10.77.2.12", "Press-09"}};
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        EXPECT_EQ(lan->control().params(i).at("IP"), wanted[i].first);
        EXPECT_EQ(lan->control().params(i).at("NAME"), wanted[i].second);
    }
    // The same run again finds nothing to change.
    std::vector<std::string> check = apply;
    check.push_back("--check");
    EXPECT_EQ(Lumiq(check).exitStatus, 0);

    // An address another module found holds is refused before anything is sent.
    lan->control().resetAll();
    lan->control().clearLog();
    const ProgramResult taken = Lumiq({"apply", "all", "--assign", "ip=10.77.1.2+", "--expect", "3"});
    EXPECT_EQ(taken.exitStatus, 2) << taken.err;
    EXPECT_NE(taken.err.find("holds it already; nothing was written"), std::string::npos) << taken.err;
    EXPECT_EQ(testbed::SetFramesTo(*lan), 0u);
}

TEST_F(LumiqInput, EveryJsonRunWritesOneDocumentAlsoWhenItEndsEarly) {
    const int holder = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(5000);
    ASSERT_EQ(bind(holder, reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
    const std::string fifo = scratch.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::pair<std::vector<std::string>, int>> runs{
        {{"search", "--json"}, 3},
        {{"apply", "--profile", file("p.ini", "[profile]\nmode=UDP\n"), "--json"}, 3},
        {{"read", "--targets", fifo, "--json"}, 2},
        {{"read", "all", "--adapter", "nosuch0", "--json"}, 2},
    };
    for (const auto& [args, status] : runs) {
        const ProgramResult run = Lumiq(args);
        EXPECT_EQ(run.exitStatus, status) << args.front() << ": " << run.err;
        ExpectMatchesSchema(run.out);
        const json document = json::parse(run.out);
        EXPECT_EQ(document.at("exitStatus"), status);
        EXPECT_EQ(document.at("command"), args.front());
        EXPECT_NE(run.err.find(document.at("error").get<std::string>()), std::string::npos) << run.err;
    }
    const std::string taken = json::parse(Lumiq({"search", "--json"}).out).at("error");
    EXPECT_NE(taken.find("UDP port 5000 is taken"), std::string::npos) << taken;
    close(holder);
}

} // namespace
} // namespace lumiq
