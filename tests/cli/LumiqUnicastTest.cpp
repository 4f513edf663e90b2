// Where lumiq sends a module's frames, as the simulator's frame log shows
// them: straight to a module with an address of its own on the adapter's
// subnet, by broadcast to modules that share an address or sit on another
// subnet, to every module with --broadcast, and by broadcast once a unicast
// went unanswered or after an IP set.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>

#include "tests/cli/LumiqRun.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq {
namespace {

using nlohmann::json;
using testbed::Lumiq;
using testbed::ProgramResult;
using testbed::SimLan;

constexpr const char* kEveryone = "255.255.255.255";
// Modules 0 and 1 have addresses of their own, 2 and 3 share one, 4 is on
// another subnet than the tool's adapter (10.79.0.1/16).
const std::vector<std::pair<std::string, std::string>> kModules{{"02:4c:51:00:0c:01", "10.79.1.1"},
                                                                {"02:4c:51:00:0c:02", "10.79.1.2"},
                                                                {"02:4c:51:00:0c:03", "10.79.1.9"},
                                                                {"02:4c:51:00:0c:04", "10.79.1.9"},
                                                                {"02:4c:51:00:0c:05", "192.168.79.5"}};

// A frame that one module alone took (not the search, which every module
// takes): where it was sent and what it said.
struct Delivery {
    std::string to;
    std::string bytes;
};

std::vector<Delivery> DeliveriesTo(SimLan& lan, int module) {
    std::vector<Delivery> deliveries;
    for (const std::string& line : lan.control().command("log")) {
        const auto frame = testbed::ParseFrameLine(line);
        if (!frame || !frame->received || frame->modules != std::vector<int>{module})
            continue;
        const std::size_t at = line.find(" to=");
        EXPECT_NE(at, std::string::npos) << line;
        if (at != std::string::npos)
            deliveries.push_back({line.substr(at + 4, line.find(' ', at + 4) - at - 4), frame->bytes});
    }
    return deliveries;
}

// UDP datagrams to a port nobody holds, sent to an address of `ns` rather
// than broadcast (the kernel counts those apart).
long UnicastsToNoPort(const testbed::Namespace& ns) {
    const ProgramResult snmp =
        testbed::RunProgram({"/usr/sbin/ip", "netns", "exec", ns.name(), "cat", "/proc/net/snmp"});
    std::istringstream lines(snmp.out);
    std::vector<std::string> names;
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("Udp: "))
            continue;
        std::istringstream fields(line.substr(5));
        std::vector<std::string> row{std::istream_iterator<std::string>(fields), {}};
        if (names.empty()) {
            names = row;
            continue;
        }
        for (std::size_t i = 0; i < names.size() && i < row.size(); ++i)
            if (names[i] == "NoPorts")
                return std::stol(row[i]);
    }
    ADD_FAILURE() << "no UDP counters in " << snmp.out;
    return -1;
}

std::set<std::string> DestinationsOf(SimLan& lan, int module) {
    std::set<std::string> destinations;
    for (const Delivery& delivery : DeliveriesTo(lan, module))
        destinations.insert(delivery.to);
    return destinations;
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

    static void ExpectAllRead(const ProgramResult& read) {
        ASSERT_EQ(read.exitStatus, 0) << read.err << read.out;
        const json document = json::parse(read.out);
        ASSERT_EQ(document.at("modules").size(), kModules.size());
        for (const json& module : document.at("modules"))
            EXPECT_EQ(module.at("status"), "ok") << module.dump();
    }

    static inline std::unique_ptr<testbed::ScratchDir> scratch = std::make_unique<testbed::ScratchDir>();
    static inline std::unique_ptr<SimLan> lan;
};

TEST_F(LumiqUnicast, OwnOnLinkAddressesGetUnicastSharedAndOffSubnetOnesBroadcastAndBroadcastForcesIt) {
    ExpectAllRead(Lumiq({"read", "all", "--json"}));
    for (int module = 0; module < 2; ++module) {
        EXPECT_EQ(DeliveriesTo(*lan, module).size(), 13u) << module;
        EXPECT_EQ(DestinationsOf(*lan, module), std::set<std::string>{kModules[module].second}) << module;
    }
    for (int module = 2; module < 5; ++module)
        EXPECT_EQ(DestinationsOf(*lan, module), std::set<std::string>{kEveryone}) << module;

    lan->control().clearLog();
    ExpectAllRead(Lumiq({"read", "all", "--json", "--broadcast"}));
    for (int module = 0; module < 5; ++module)
        EXPECT_EQ(DestinationsOf(*lan, module), std::set<std::string>{kEveryone}) << module;
}

TEST_F(LumiqUnicast, AnUnansweredUnicastIsSentAgainByBroadcastAndAnIpSetMovesTheModuleToBroadcast) {
    // Another host on the LAN, no module, takes module 1's address: the
    // tool's neighbour entry names its hardware address, so the unicast goes
    // there and is dropped.
    testbed::Namespace thief("lumiq-thief");
    const std::string thiefMac = "02:00:00:79:00:02";
    lan->lan().ip("link add th0 address " + thiefMac + " link lan0 type macvlan mode bridge");
    lan->lan().ip("link set th0 netns " + thief.name());
    thief.ip("addr add " + kModules[1].second + "/16 dev th0");
    thief.ip("link set th0 up");
    testbed::Run("ip neigh replace " + kModules[1].second + " lladdr " + thiefMac + " dev " +
                 lan->hostInterface() + " nud permanent");
    const ProgramResult moved = Lumiq({"set", kModules[1].first, "name=Moved", "--timeout", "300", "--json"});
    testbed::Run("ip neigh del " + kModules[1].second + " dev " + lan->hostInterface());
    EXPECT_EQ(moved.exitStatus, 0) << moved.err << moved.out;
    EXPECT_EQ(lan->control().params(1).at("NAME"), "Moved");
    // Its first frame went to the other host; only the broadcast resends
    // reached it.
    EXPECT_EQ(UnicastsToNoPort(thief), 1);
    EXPECT_EQ(DestinationsOf(*lan, 1), std::set<std::string>{kEveryone});

    lan->control().clearLog();
    const ProgramResult renumbered = Lumiq({"set", kModules[0].first, "ip=10.79.1.51", "name=Renumbered"});
    EXPECT_EQ(renumbered.exitStatus, 0) << renumbered.err << renumbered.out;
    const std::vector<Delivery> deliveries = DeliveriesTo(*lan, 0);
    std::size_t set = 0;
    while (set < deliveries.size() && deliveries[set].bytes.find("AT+IP=") == std::string::npos)
        ++set;
    ASSERT_LT(set, deliveries.size() - 1);
    for (std::size_t i = 0; i < deliveries.size(); ++i)
        EXPECT_EQ(deliveries[i].to, i <= set ? kModules[0].second : kEveryone) << deliveries[i].bytes;
}

} // namespace
} // namespace lumiq
