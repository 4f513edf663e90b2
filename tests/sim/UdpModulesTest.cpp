// Simulated modules on a LAN, reached over UDP broadcast like the tool
// reaches them: exact reply bytes, whom they answer, from where and to where.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <set>

#include "base/GbkText.h"
#include "tests/sim/CommandForms.h"
#include "tests/sim/LanHelpers.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq::testbed {
namespace {

using namespace std::chrono_literals;

TEST(UdpModules, AnswerEveryCommandFormWithExactBytesFromTheirOwnAddress) {
    SimLan lan;
    UdpProbe probe(lan);
    const std::string mac = ModuleMac(0);
    for (const auto& form : sim::CommandForms()) {
        probe.broadcast(UdpFrame(mac, form.command));
        const auto reply = probe.receive(5s);
        ASSERT_TRUE(reply) << "no reply to " << form.command;
        EXPECT_EQ(reply->bytes, Reply(mac, form.payload)) << form.command;
        EXPECT_EQ(reply->from, lan.moduleAddress(0));
        EXPECT_EQ(reply->port, 5000);
        EXPECT_EQ(reply->to, lan.hostAddress()) << "unicast to the sender";
    }
}

TEST(UdpModules, TakeFramesForTheirOwnMacOrTheAllZeroAddressOnly) {
    SimLan lan({.modules = 3});
    UdpProbe probe(lan);
    probe.broadcast(UdpFrame(ModuleMac(1), "AT"));
    probe.broadcast(UdpFrame("02:4c:51:00:00:99", "AT"));
    probe.broadcast(UdpFrame("02:4C:51:00:00:02", "AT")); // module 1's MAC in other letters
    probe.broadcast(UdpFrame(ModuleMac(2), "AT"));
    const auto replies = probe.receiveThrough(FromMac(ModuleMac(2)));
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].bytes, Reply(ModuleMac(1), "OK"));
    EXPECT_EQ(replies[0].from, lan.moduleAddress(1));
    const auto frames = lan.control().received();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].modules, std::vector<int>{1});
    EXPECT_TRUE(frames[1].modules.empty());
    EXPECT_TRUE(frames[2].modules.empty());
    EXPECT_EQ(frames[3].modules, std::vector<int>{2});

    probe.broadcast(UdpFrame("00:00:00:00:00:00", "AT"));
    std::set<std::pair<std::string, std::string>> answered;
    for (const auto& reply : probe.receive(3, 5s))
        answered.insert({reply.from, reply.bytes});
    std::set<std::pair<std::string, std::string>> expected;
    for (unsigned i = 0; i < 3; ++i)
        expected.insert({lan.moduleAddress(static_cast<int>(i)), Reply(ModuleMac(i), "OK")});
    EXPECT_EQ(answered, expected);
}

TEST(UdpModules, ReplyByUnicastOrBroadcastAsEachIsSetTo) {
    SimLan lan({.modules = 2});
    lan.control().replyByBroadcast(1, true);
    UdpProbe probe(lan);
    probe.broadcast(UdpFrame(ModuleMac(0), "AT+DCHP=?"));
    probe.broadcast(UdpFrame(ModuleMac(1), "AT+DCHP=?"));
    const auto replies = probe.receive(2, 5s);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].to, lan.hostAddress());
    EXPECT_EQ(replies[1].to, "255.255.255.255");
    EXPECT_EQ(replies[1].from, lan.moduleAddress(1));
    EXPECT_EQ(replies[1].port, 5000);
    EXPECT_EQ(replies[1].bytes, Reply(ModuleMac(1), "+DCHP=0\r\n"));
}

TEST(UdpModules, FrameSentToOneAddressReachesThatModuleOnly) {
    SimLan lan({.modules = 3});
    UdpProbe probe(lan);
    probe.sendTo(lan.moduleAddress(1), UdpFrame("00:00:00:00:00:00", "AT"));
    probe.broadcast(UdpFrame(ModuleMac(2), "AT"));
    const auto replies = probe.receiveThrough(FromMac(ModuleMac(2)));
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].bytes, Reply(ModuleMac(1), "OK"));
    EXPECT_EQ(lan.control().command("heard"),
              (std::vector<std::string>{"0 own=0 search=0 other=1", "1 own=0 search=1 other=1",
                                        "2 own=1 search=0 other=0"}));
}

TEST(UdpModules, NewMacAndAddressAfterSetting) {
    SimLan lan;
    UdpProbe probe(lan);
    const std::string newMac = "00:1a:2b:3c:4d:5e";
    probe.broadcast(UdpFrame(ModuleMac(0), "AT+MAC=" + newMac));
    probe.broadcast(UdpFrame(ModuleMac(0), "AT")); // the old MAC no longer reaches it
    probe.broadcast(UdpFrame(newMac, "AT+IP=192.168.9.9"));
    probe.broadcast(UdpFrame(newMac, "AT+IP=?"));
    const auto replies = probe.receive(3, 5s);
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[0].bytes, Reply(newMac, "OK\r\n"));
    EXPECT_EQ(replies[1].bytes, Reply(newMac, "OK\r\n"));
    EXPECT_EQ(replies[2].bytes, Reply(newMac, "+IP=192.168.9.9\r\n"));
    // It keeps sending from the address it started with.
    EXPECT_EQ(replies[2].from, lan.moduleAddress(0));
    EXPECT_TRUE(lan.control().received()[1].modules.empty());
}

TEST(UdpModules, KeepTheDeviceNameAsGbkBytes) {
    const std::string file =
        std::string(std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "/tmp") +
        "/gbk-modules.ini";
    std::ofstream(file) << "[module]\nname = 设备名称\n";
    SimLan lan({.modules = 0, .moduleFile = file});
    UdpProbe probe(lan);
    const std::string stored = Utf8ToGbk("设备名称");
    ASSERT_EQ(stored.size(), 8u);
    probe.broadcast(UdpFrame(ModuleMac(0), "AT+NAME=?"));
    const std::string renamed = Utf8ToGbk("一号机");
    probe.broadcast(UdpFrame(ModuleMac(0), "AT+NAME=" + renamed));
    const auto replies = probe.receive(2, 5s);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].bytes, Reply(ModuleMac(0), "+NAME=" + stored + "\r\n"));
    EXPECT_EQ(replies[1].bytes, Reply(ModuleMac(0), "OK\r\n"));
    EXPECT_EQ(lan.control().params(0).at("NAME"), renamed);
    lan.control().set(0, "NAME", "三号");
    probe.broadcast(UdpFrame(ModuleMac(0), "AT+NAME=?"));
    const auto reply = probe.receive(5s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->bytes, Reply(ModuleMac(0), "+NAME=" + Utf8ToGbk("三号") + "\r\n"));
    std::remove(file.c_str());
}

TEST(UdpModules, FrameLogRecordsEveryFrameWithTimeSenderTakersAndBytes) {
    SimLan lan({.modules = 2});
    UdpProbe probe(lan);
    const auto msNow = [] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    const double before = msNow();
    const std::string binary("<x>,<y>,\0\xff\r\n", 12);
    const std::string search = UdpFrame("00:00:00:00:00:00", "AT");
    probe.broadcast(binary);
    probe.broadcast(search);
    lan.control().waitFrames(2);
    probe.receive(2, 5s);
    const double after = msNow();

    const auto frames = lan.control().frames();
    ASSERT_EQ(frames.size(), 4u); // two received, two replies
    EXPECT_TRUE(frames[0].received);
    EXPECT_EQ(frames[0].bytes, binary);
    EXPECT_TRUE(frames[0].modules.empty());
    EXPECT_EQ(frames[0].peer, lan.hostAddress() + ":5000");
    EXPECT_EQ(frames[0].link, "udp");
    EXPECT_EQ(frames[1].bytes, search);
    EXPECT_EQ(frames[1].modules, (std::vector<int>{0, 1}));
    for (int i = 2; i < 4; ++i) {
        EXPECT_FALSE(frames[i].received);
        EXPECT_EQ(frames[i].modules, std::vector<int>{i - 2});
        EXPECT_EQ(frames[i].peer, lan.hostAddress() + ":5000");
        EXPECT_EQ(frames[i].bytes, Reply(ModuleMac(static_cast<unsigned>(i - 2)), "OK"));
    }
    for (const auto& frame : frames) {
        EXPECT_GE(frame.timeMs, before);
        EXPECT_LE(frame.timeMs, after);
    }
    EXPECT_LE(frames[0].timeMs, frames[1].timeMs);

    // The file holds the same lines.
    std::ifstream file(lan.logPath());
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    EXPECT_EQ(lines, lan.control().command("log"));

    lan.control().clearLog();
    EXPECT_TRUE(lan.control().frames().empty());
    EXPECT_THROW(lan.control().waitFrames(1, 50ms), std::runtime_error);
}

} // namespace
} // namespace lumiq::testbed
