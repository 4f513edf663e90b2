// Where lumiq sends each module's frames, as the simulator's frame log tells
// (its to= field): straight to a module with an address of its own on the
// adapter's subnet, by broadcast to the others, to every module with
// --broadcast, and by broadcast once a unicast went unanswered or after an
// IP set.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <ranges>
#include <set>

#include "tests/cli/LumiqRun.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq {
namespace {

using testbed::Lumiq;
using testbed::SimLan;

const std::string kEveryone = "255.255.255.255";
// 0 and 1 have addresses of their own, 2 and 3 share one, 4 is on another
// subnet than the tool's adapter (10.79.0.1/16), 5 answers by broadcast.
const std::vector<std::pair<std::string, std::string>> kModules{
    {"02:4c:51:00:0c:01", "10.79.1.1"},    {"02:4c:51:00:0c:02", "10.79.1.2"},
    {"02:4c:51:00:0c:03", "10.79.1.9"},    {"02:4c:51:00:0c:04", "10.79.1.9"},
    {"02:4c:51:00:0c:05", "192.168.79.5"}, {"02:4c:51:00:0c:06", "10.79.1.6"}};

// The frames `module` alone took (not the search, which all take), in
// order: where each was sent, and its bytes.
std::vector<std::pair<std::string, std::string>> FramesTo(SimLan& lan, int module) {
    std::vector<std::pair<std::string, std::string>> frames;
    for (const std::string& line : lan.control().command("log")) {
        const auto frame = testbed::ParseFrameLine(line);
        const std::size_t to = line.find(" to=") + 4;
        if (frame && frame->received && frame->modules == std::vector<int>{module} && to > 4)
            frames.emplace_back(line.substr(to, line.find(' ', to) - to), frame->bytes);
    }
    return frames;
}

std::set<std::string> DestinationsOf(SimLan& lan, int module) {
    const auto frames = FramesTo(lan, module);
    return {std::views::keys(frames).begin(), std::views::keys(frames).end()};
}

class LumiqUnicast : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::ofstream file(scratch->file("modules.ini"));
        for (const auto& [mac, ip] : kModules)
            file << "[module]\nmac = " << mac << "\nip = " << ip << "\n";
        file.close();
        lan = std::make_unique<SimLan>(testbed::SimLanOptions{0, scratch->file("modules.ini"), {}, "10.79"});
    }
    static void TearDownTestSuite() { lan.reset(); }
    void SetUp() override {
        lan->control().resetAll();
        lan->control().clearLog();
    }
    static inline std::unique_ptr<testbed::ScratchDir> scratch = std::make_unique<testbed::ScratchDir>();
    static inline std::unique_ptr<SimLan> lan;
};

TEST_F(LumiqUnicast, OwnOnLinkAddressesAnsweredToUsGetUnicastTheOthersBroadcastAndBroadcastForcesIt) {
    lan->control().replyByBroadcast(5, true);
    const auto read = Lumiq({"read", "all"});
    EXPECT_EQ(read.exitStatus, 0) << read.err << read.out;
    for (int module = 0; module < 6; ++module) {
        EXPECT_EQ(FramesTo(*lan, module).size(), 13u) << module;
        EXPECT_EQ(DestinationsOf(*lan, module),
                  std::set<std::string>{module < 2 ? kModules[module].second : kEveryone})
            << module;
    }
    lan->control().clearLog();
    EXPECT_EQ(Lumiq({"read", "all", "--broadcast"}).exitStatus, 0);
    for (int module = 0; module < 6; ++module)
        EXPECT_EQ(DestinationsOf(*lan, module), std::set<std::string>{kEveryone}) << module;
}

TEST_F(LumiqUnicast, AnUnansweredUnicastIsSentAgainByBroadcastAndAnIpSetMovesTheModuleToBroadcast) {
    // Another host on the LAN, no module, has taken module 1's address: the
    // tool's neighbour entry names it, so the unicast goes there and finds
    // nobody on port 5000.
    testbed::Namespace thief("lumiq-thief");
    lan->lan().ip("link add th0 address 02:00:00:79:00:02 link lan0 type macvlan mode bridge");
    lan->lan().ip("link set th0 netns " + thief.name());
    thief.ip("addr add " + kModules[1].second + "/16 dev th0");
    thief.ip("link set th0 up");
    testbed::Run("ip neigh replace " + kModules[1].second + " lladdr 02:00:00:79:00:02 nud permanent dev " +
                 lan->hostInterface());
    const auto moved = Lumiq({"set", kModules[1].first, "name=Moved", "--timeout", "300"});
    testbed::Run("ip neigh del " + kModules[1].second + " dev " + lan->hostInterface());
    EXPECT_EQ(moved.exitStatus, 0) << moved.err << moved.out;
    EXPECT_EQ(lan->control().params(1).at("NAME"), "Moved");
    // The first frame went to the other host, the resends reached the module.
    const std::string noPorts = "nstat -asz UdpNoPorts | awk '/NoPorts/ {print $2}'";
    EXPECT_EQ(testbed::RunProgram({"/usr/sbin/ip", "netns", "exec", thief.name(), "sh", "-c", noPorts}).out,
              "1\n");
    EXPECT_EQ(DestinationsOf(*lan, 1), std::set<std::string>{kEveryone});

    lan->control().clearLog();
    const auto renumbered = Lumiq({"set", kModules[0].first, "ip=10.79.1.51", "name=Renumbered"});
    EXPECT_EQ(renumbered.exitStatus, 0) << renumbered.err << renumbered.out;
    const auto frames = FramesTo(*lan, 0);
    bool afterIpSet = false;
    for (const auto& [to, bytes] : frames) {
        EXPECT_EQ(to, afterIpSet ? kEveryone : kModules[0].second) << bytes;
        afterIpSet = afterIpSet || bytes.find("AT+IP=") != std::string::npos;
    }
    EXPECT_TRUE(afterIpSet && frames.back().first == kEveryone);
}

} // namespace
} // namespace lumiq
