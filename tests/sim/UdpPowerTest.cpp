// Modules plugged in, unplugged and power-cycled on the LAN, as a line
// station meets them: gone from the search while off, back from the address
// they were given, or at their factory one when their settings memory fails.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "tests/sim/LanHelpers.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq::testbed {
namespace {

using namespace std::chrono_literals;

constexpr const char* kSearchMac = "00:00:00:00:00:00";

TEST(UdpPower, UnpluggedModulesLeaveTheSearchAndComeBackAsPoweredUp) {
    const std::string file =
        std::string(std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "/tmp") +
        "/power-modules.ini";
    std::ofstream(file) << "[module]\nplugged = no\n[module]\n";
    SimLan lan({.modules = 0, .moduleFile = file});
    std::remove(file.c_str());
    UdpProbe probe(lan);
    const std::string mac = ModuleMac(0);
    // Module 0's answer to a search, if any: module 1, always plugged in,
    // answers after it.
    const auto searchAnswer = [&]() -> std::optional<ProbeDatagram> {
        probe.broadcast(UdpFrame(kSearchMac, "AT"));
        auto replies = probe.receiveThrough(FromMac(ModuleMac(1)));
        replies.pop_back();
        if (replies.empty())
            return std::nullopt;
        EXPECT_EQ(replies.size(), 1u);
        return replies.front();
    };
    const auto backAfterCycle = [&]() {
        lan.control().command("power-cycle 0 300");
        EXPECT_FALSE(searchAnswer()) << "a module switched off answered";
        for (const auto deadline = std::chrono::steady_clock::now() + 5s;
             std::chrono::steady_clock::now() < deadline;)
            if (auto answer = searchAnswer())
                return *answer;
        throw std::runtime_error("the module did not come back");
    };
    const auto queryIp = [&](const std::string& address) {
        probe.sendTo(address, UdpFrame(mac, "AT+IP=?"));
        return probe.receiveThrough(FromMac(mac)).back().bytes;
    };

    EXPECT_FALSE(searchAnswer());
    EXPECT_EQ(lan.control().command("heard")[0], "0 own=0 search=0 other=0");
    EXPECT_NE(lan.control().command("list")[0].find("plugged=no"), std::string::npos);

    lan.control().command("plug 0");
    const auto plugged = searchAnswer();
    ASSERT_TRUE(plugged);
    EXPECT_EQ(plugged->from, "10.77.1.1");

    probe.broadcast(UdpFrame(mac, "AT+IP=10.77.1.50"));
    probe.broadcast(UdpFrame(mac, "AT+NAME=LINE-7"));
    EXPECT_EQ(probe.receive(2, 5s).size(), 2u);
    EXPECT_EQ(backAfterCycle().from, "10.77.1.50");
    EXPECT_EQ(queryIp("10.77.1.50"), Reply(mac, "+IP=10.77.1.50\r\n"));
    EXPECT_EQ(lan.control().params(0).at("NAME"), "LINE-7");

    lan.control().fault(0, "forget IP,NAME");
    EXPECT_EQ(backAfterCycle().from, "10.77.1.1");
    EXPECT_EQ(queryIp("10.77.1.1"), Reply(mac, "+IP=10.77.1.1\r\n"));
    EXPECT_EQ(lan.control().params(0).at("NAME"), "LUMIQ-001");
}

} // namespace
} // namespace lumiq::testbed
