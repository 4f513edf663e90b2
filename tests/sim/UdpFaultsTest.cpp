// Injected faults as the tool meets them over UDP, modules that share a MAC
// or an address, and a full registry's worth of modules answering a search.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <set>

#include "tests/sim/LanHelpers.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq::testbed {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class UdpFaults : public ::testing::Test {
protected:
    // Sends `command` to module 0, then "AT" to module 1 as a marker, and
    // returns what came before the marker's reply: module 0's answers sent
    // at once.
    std::vector<ProbeDatagram> answersOfModule0(const std::string& command) {
        probe_.broadcast(UdpFrame(ModuleMac(0), command));
        probe_.broadcast(UdpFrame(ModuleMac(1), "AT"));
        auto replies = probe_.receiveThrough(FromMac(ModuleMac(1)));
        replies.pop_back();
        return replies;
    }

    SimLan lan_{{.modules = 2}};
    UdpProbe probe_{lan_};
};

TEST_F(UdpFaults, SilentModuleTakesTheFrameButAnswersNothing) {
    lan_.control().fault(0, "silent on");
    EXPECT_TRUE(answersOfModule0("AT+MODEL=2").empty());
    EXPECT_EQ(lan_.control().received()[0].modules, std::vector<int>{0});
    lan_.control().fault(0, "silent off");
    const auto replies = answersOfModule0("AT+MODEL=?");
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, Reply(ModuleMac(0), "+MODEL=0\r\n")) << "the silent set changed the module";
}

TEST_F(UdpFaults, WrongAnswersThenRightOnes) {
    lan_.control().fault(0, "wrong 2");
    const std::string wrong = Reply(ModuleMac(0), "ERROR\r\n");
    std::vector<std::string> answers;
    for (int i = 0; i < 3; ++i)
        for (const auto& reply : answersOfModule0("AT+GATEWAY=?"))
            answers.push_back(reply.bytes);
    EXPECT_EQ(answers,
              (std::vector<std::string>{wrong, wrong, Reply(ModuleMac(0), "+GATEWAY=10.77.0.1\r\n")}));
}

TEST_F(UdpFaults, LateModuleHoldsUpNobodyElse) {
    lan_.control().fault(0, "delay 300");
    const auto sent = Clock::now();
    probe_.broadcast(UdpFrame(ModuleMac(0), "AT"));
    probe_.broadcast(UdpFrame(ModuleMac(1), "AT"));
    const auto replies = probe_.receive(2, 5s);
    const auto elapsed = Clock::now() - sent;
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].bytes, Reply(ModuleMac(1), "OK"));
    EXPECT_EQ(replies[1].bytes, Reply(ModuleMac(0), "OK"));
    EXPECT_GE(elapsed, 300ms);
    const auto frames = lan_.control().frames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_FALSE(frames[2].received);
    EXPECT_LT(frames[2].timeMs - frames[1].timeMs, 300.0) << "module 1 waited for module 0";
    EXPECT_GE(frames[3].timeMs - frames[0].timeMs, 300.0);
}

TEST_F(UdpFaults, DoubleAnswers) {
    lan_.control().fault(0, "twice on");
    const auto replies = answersOfModule0("AT+PORT=?");
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].bytes, Reply(ModuleMac(0), "+PORT=8000\r\n"));
    EXPECT_EQ(replies[1].bytes, replies[0].bytes);
}

TEST_F(UdpFaults, MalformedDatagramsReachTheToolWholeThenSoundOnesAgain) {
    const struct {
        const char* kind;
        bool (*shows)(const std::string&);
    } cases[] = {
        {"short", [](const std::string& d) { return d.size() < 20; }},
        {"nogt", [](const std::string& d) { return d.size() >= 20 && d.find('>') == std::string::npos; }},
        {"binary",
         [](const std::string& d) {
             return d.find('\0') != std::string::npos && d.find('\xff') != std::string::npos;
         }},
        {"oversized",
         [](const std::string& d) { return d.size() == 65000 && d.find('\r') == std::string::npos; }},
    };
    for (const auto& c : cases) {
        lan_.control().fault(0, std::string("malformed ") + c.kind);
        const auto bad = answersOfModule0("AT");
        ASSERT_EQ(bad.size(), 1u) << c.kind;
        EXPECT_TRUE(c.shows(bad[0].bytes)) << c.kind << ": " << bad[0].bytes.size() << " bytes";
        EXPECT_EQ(bad[0].from, lan_.moduleAddress(0));
        const auto sound = answersOfModule0("AT");
        ASSERT_EQ(sound.size(), 1u) << c.kind;
        EXPECT_EQ(sound[0].bytes, Reply(ModuleMac(0), "OK")) << c.kind;
    }
}

TEST(UdpSharedAddresses, ModulesSharingAMacOrAnAddressAllAnswer) {
    const std::string file =
        std::string(std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "/tmp") +
        "/shared-modules.ini";
    std::ofstream(file) << "[module]\nmac = 00:1a:2b:3c:4d:5e\nip = 10.77.1.7\n"
                           "[module]\nmac = 00:1a:2b:3c:4d:5e\nip = 10.77.1.8\n"
                           "[module]\nmac = 00:1a:2b:3c:4d:60\nip = 10.77.1.7\n";
    SimLan lan({.modules = 0, .moduleFile = file});
    UdpProbe probe(lan);
    probe.broadcast(UdpFrame("00:00:00:00:00:00", "AT"));
    std::multiset<std::pair<std::string, std::string>> answered;
    for (const auto& reply : probe.receive(3, 5s))
        answered.insert({reply.from, reply.bytes});
    EXPECT_EQ(answered, (std::multiset<std::pair<std::string, std::string>>{
                            {"10.77.1.7", "<00:1a:2b:3c:4d:5e>,OK"},
                            {"10.77.1.8", "<00:1a:2b:3c:4d:5e>,OK"},
                            {"10.77.1.7", "<00:1a:2b:3c:4d:60>,OK"},
                        }));
    probe.broadcast(UdpFrame("00:1a:2b:3c:4d:5e", "AT+IP=?"));
    std::multiset<std::string> ips;
    for (const auto& reply : probe.receive(2, 5s))
        ips.insert(reply.bytes);
    EXPECT_EQ(ips, (std::multiset<std::string>{"<00:1a:2b:3c:4d:5e>,+IP=10.77.1.7\r\n",
                                               "<00:1a:2b:3c:4d:5e>,+IP=10.77.1.8\r\n"}));
    std::remove(file.c_str());
}

TEST(UdpScale, AFullRegistryOfModulesAnswersOneSearch) {
    constexpr unsigned kModules = 256;
    SimLan lan({.modules = kModules});
    UdpProbe probe(lan);
    probe.broadcast(UdpFrame("00:00:00:00:00:00", "AT"));
    const auto replies = probe.receive(kModules, 20s);
    ASSERT_EQ(replies.size(), kModules);
    std::set<std::pair<std::string, std::string>> answered;
    for (const auto& reply : replies)
        answered.insert({reply.from, reply.bytes});
    for (unsigned i = 0; i < kModules; ++i)
        EXPECT_EQ(answered.count({lan.moduleAddress(static_cast<int>(i)), Reply(ModuleMac(i), "OK")}), 1u)
            << i;
    EXPECT_EQ(lan.control().received().at(0).modules.size(), kModules);
}

} // namespace
} // namespace lumiq::testbed
