// The search, the receive path of every datagram, and the selection.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "state/AddressText.h"
#include "state/ModuleRegistry.h"
#include "tests/presenter/ControllerRig.h"

namespace lumiq::test {
namespace {

const std::string kMacA = "00:1a:2b:3c:4d:5e";
const std::string kMacB = "00:1a:2b:3c:4d:60";

class Discovery : public ::testing::Test {
protected:
    void SetUp() override {
        rig.controller.search();
        rig.clearRecords();
    }
    void reply(const char* ip, const std::string& mac) { rig.receive(ParseIp(ip), mac, "OK\r\n"); }
    // Every list line is the entry text of the registry entry with its index.
    void expectListMatchesRegistry() {
        ASSERT_EQ(static_cast<int>(rig.list.lines.size()), rig.state.ModuleCount);
        for (int i = 0; i < rig.state.ModuleCount; ++i)
            EXPECT_EQ(rig.list.lines[i], EntryText(rig.state, i));
    }
    ControllerRig rig;
};

TEST(Search, ClearsTheListAndBroadcastsTheSearchFrame) {
    ControllerRig rig;
    rig.list.lines = {"old"};
    rig.state.SeenMacs[3] = "old";
    rig.controller.search();
    EXPECT_TRUE(rig.list.lines.empty());
    EXPECT_EQ(rig.state.PendingCommand, 0);
    EXPECT_EQ(rig.state.SeenMacs[3], "");
    ASSERT_EQ(rig.udp.sent.size(), 1u);
    EXPECT_EQ(rig.udp.sent[0].bytes, "<00:00:00:00:00:00>,<00:11:22:33:44:55>,AT\r\n");
    EXPECT_EQ(rig.udp.sent[0].bytes.size(), 44u);
    EXPECT_EQ(rig.udp.addresses[0], 0xffffffffu);
    EXPECT_EQ(rig.udp.ports[0], 5000);
}

TEST(Search, WithTheSocketInactiveOnlyEmptiesListAndRegistry) {
    ControllerRig rig;
    rig.findAndSelectModule();
    rig.udp.isActive = false;
    rig.clearRecords();
    rig.controller.search();
    EXPECT_TRUE(rig.list.lines.empty());
    EXPECT_EQ(rig.state.ModuleCount, 0);
    EXPECT_EQ(rig.state.SelectedModule, -1);
    EXPECT_EQ(rig.state.PendingCommand, 42);
    EXPECT_TRUE(rig.udp.sent.empty());
}

TEST(Search, AtStartUpADatagramIsNeitherRegisteredNorInterpreted) {
    ControllerRig rig;
    rig.state.TimeoutArmed = 1;
    rig.receiveFromModule("+MODEL=2\r\n");
    EXPECT_TRUE(rig.list.lines.empty());
    EXPECT_TRUE(rig.log.lines.empty());
    EXPECT_EQ(rig.state.TimeoutArmed, 0);
}

TEST_F(Discovery, ModulesAreListedInArrivalOrder) {
    reply("192.168.0.7", kMacA);
    reply("192.168.0.9", kMacB);
    EXPECT_EQ(rig.list.lines, (std::vector<std::string>{"192.168.0.7:" + kMacA, "192.168.0.9:" + kMacB}));
    EXPECT_EQ(rig.state.SeenMacs[0], kMacA);
    EXPECT_EQ(rig.state.SeenMacs[1], kMacB);
    EXPECT_TRUE(rig.dialogs.shown.empty());
}

TEST_F(Discovery, DuplicatesAreWarnedAboutAndStillListed) {
    struct Case {
        const char* ip;
        std::string mac;
        std::string warning;
    };
    const Case cases[] = {
        {"192.168.0.7", kMacA,
         "两个或以上的模块MAC地址、IP地址相同，MAC地址为：" + kMacA +
             "，IP地址为：192.168.0.7，请通过串口功能设置"},
        {"192.168.0.8", kMacA,
         "两模块的MAC地址相同，MAC地址为：" + kMacA +
             "，IP地址分别为：192.168.0.7      192.168.0.8，请通过串口功能设置"},
        {"192.168.0.7", "00:1A:2B:3C:4D:5E", // letter case makes another MAC
         "两模块的IP地址相同，IP地址为：192.168.0.7，MAC地址分别为：" + kMacA + "      00:1A:2B:3C:4D:5E"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.warning);
        rig.controller.search();
        rig.clearRecords();
        reply("192.168.0.7", kMacA);
        reply(c.ip, c.mac);
        ASSERT_EQ(rig.dialogs.shown.size(), 1u);
        EXPECT_EQ(rig.dialogs.shown[0].text, c.warning);
        EXPECT_EQ(rig.dialogs.shown[0].caption, "提示");
        EXPECT_EQ(rig.dialogs.shown[0].buttons, MessageButtons::OkCancel);
        EXPECT_EQ(rig.list.lines.size(), 2u);
        expectListMatchesRegistry();
    }
}

TEST_F(Discovery, ADatagramArrivingWhileAWarningIsOpenIsProcessedInFull) {
    reply("192.168.0.7", kMacA);
    // The W1 box for the second reply runs a nested loop: module B answers,
    // and so does A once more (its own W1 inside).
    rig.dialogs.whileOpen = {[this] {
        reply("192.168.0.9", kMacB);
        reply("192.168.0.7", kMacA);
    }};
    reply("192.168.0.7", kMacA);
    EXPECT_EQ(rig.list.lines, (std::vector<std::string>{"192.168.0.7:" + kMacA, "192.168.0.9:" + kMacB,
                                                        "192.168.0.7:" + kMacA, "192.168.0.7:" + kMacA}));
    expectListMatchesRegistry();
    // The outer W1 against entry 0, the nested A's W1, and the outer one again
    // against the nested A, which the comparison reaches as the registry grew.
    EXPECT_EQ(rig.dialogs.shown.size(), 3u);
}

TEST_F(Discovery, DatagramsThatNameNoModuleAreIgnoredDuringASearch) {
    using namespace std::string_literals;
    const std::string datagrams[] = {
        "",
        "<",
        "<>,OK\r\n",                   // empty MAC
        "<00:1a:2b",                   // short, no ">"
        "<00:1a:2b:3c:4d:5e,OK\r\n",   // no ">" at all
        "<\0:1a:2b:3c:4d:5e>,OK\r\n"s, // zero byte ends the header text
    };
    rig.state.TimeoutArmed = 1;
    for (const std::string& datagram : datagrams) {
        rig.controller.onDatagram(rig.moduleIp, 5000, datagram.data(), datagram.size());
    }
    EXPECT_TRUE(rig.list.lines.empty());
    EXPECT_EQ(rig.state.ModuleCount, 0);
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_EQ(rig.state.SeenMacs[0], "");
    EXPECT_EQ(rig.state.TimeoutArmed, 0);
}

TEST_F(Discovery, BinaryAndOversizedDatagramsAreReadOnlyAsFarAsTheyGo) {
    std::string binary(64, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>(0xC0 + i);
    binary[5] = '>';
    const std::string huge = "<" + kMacA + ">," + std::string(70000, 'Z');
    rig.controller.onDatagram(rig.moduleIp, 5000, binary.data(), binary.size());
    rig.controller.onDatagram(ParseIp("192.168.0.9"), 5000, huge.data(), huge.size());
    EXPECT_EQ(rig.list.lines.size(), 2u);
    EXPECT_EQ(rig.list.lines[1], "192.168.0.9:" + kMacA);
    expectListMatchesRegistry();

    // Outside a search the payload of each is still handed on as a reply.
    rig.controller.selectModule(0);
    rig.controller.query(Param::Ip);
    rig.clock.advance(100);
    rig.controller.onDatagram(rig.moduleIp, 5000, binary.data(), binary.size());
    rig.clock.advance(30); // resent
    rig.controller.onDatagram(rig.moduleIp, 5000, huge.data(), huge.size());
    rig.clock.advance(30);
    rig.controller.onDatagram(rig.moduleIp, 5000, nullptr, 0);
    EXPECT_EQ(rig.controller.retryCount(), 3); // three wrong replies
}

TEST_F(Discovery, OurOwnBroadcastIsIgnoredEvenWhenWellFormed) {
    rig.state.TimeoutArmed = 1;
    rig.receive(rig.state.LocalIp, kMacA, "OK\r\n");
    EXPECT_TRUE(rig.list.lines.empty());
    EXPECT_EQ(rig.state.TimeoutArmed, 1);
}

TEST_F(Discovery, TheRegistryHolds256AndTheNextAddsNoLine) {
    for (int i = 0; i < 257; ++i) {
        char mac[18];
        std::snprintf(mac, sizeof mac, "00:00:00:00:%02x:%02x", i / 256, i % 256);
        rig.receive(rig.moduleIp + static_cast<std::uint32_t>(i << 24), mac, "OK\r\n");
    }
    EXPECT_EQ(rig.list.lines.size(), 256u);
    EXPECT_EQ(rig.state.ModuleCount, 256);
}

TEST_F(Discovery, AReplyAfterAQueryStartedIsInterpretedNotListed) {
    reply("192.168.0.7", kMacA);
    rig.controller.selectModule(0);
    rig.controller.query(Param::Ip);
    rig.clock.advance(50);
    rig.receive(ParseIp("192.168.0.9"), kMacB, "+IP=192.168.0.9\r\n");
    EXPECT_EQ(rig.list.lines.size(), 1u);
    EXPECT_EQ(rig.panel.texts.at(Param::Ip), "192.168.0.9");
}

TEST_F(Discovery, SelectingALineTargetsItsModuleAndReadsEverything) {
    reply("192.168.0.7", kMacA);
    reply("192.168.0.9", kMacB);
    rig.controller.selectModule(-1);
    rig.controller.selectModule(2); // no such line
    EXPECT_EQ(rig.state.SelectedModule, -1);
    EXPECT_FALSE(rig.timerRead.enabled());

    rig.controller.selectModule(1);
    EXPECT_EQ(rig.state.SelectedModule, 1);
    EXPECT_EQ(rig.state.SelectedMacText, kMacB);
    EXPECT_EQ(rig.state.PendingCommand, 42);
    rig.clock.advance(30);
    ASSERT_EQ(rig.udp.sent.size(), 1u);
    EXPECT_EQ(rig.udp.sent[0].bytes, "<" + kMacB + ">,<00:11:22:33:44:55>,AT\r\n");
    EXPECT_EQ(rig.udp.sent[0].at, 30);
}

} // namespace
} // namespace lumiq::test
