// The sender, the receive window and the read-all chain under fake time.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/presenter/ControllerRig.h"

namespace lumiq::test {
namespace {

const std::vector<std::string> kReadAllCommands{
    "AT\r\n",        "AT+MODEL=?\r\n", "AT+GATEWAY=?\r\n", "AT+MASK=?\r\n", "AT+IP=?\r\n",
    "AT+DIP=?\r\n",  "AT+PORT=?\r\n",  "AT+DPORT=?\r\n",   "AT+DCHP=?\r\n", "AT+NAME=?\r\n",
    "AT+UART=?\r\n", "AT+MAC=?\r\n",   "AT+VER=?\r\n",
};

// The whole log of a healthy read-all: caption, success line, empty line.
const std::vector<std::string> kReadAllLog{
    "@ 发送AT命令",
    "@           AT命令响应成功",
    "",
    "@ 查询工作模式",
    "@           查询工作模式成功",
    "",
    "@ 查询网关IP地址",
    "@           查询网关IP地址成功",
    "",
    "@ 查询子网掩码",
    "@           查询子网掩码成功",
    "",
    "@ 查询模块IP地址",
    "@           查询模块IP地址成功",
    "",
    "@ 查询模块目的IP地址",
    "@           查询模块目的IP地址成功",
    "",
    "@ 查询模块端口",
    "@           查询模块端口成功",
    "",
    "@ 查询模块目的端口",
    "@           查询模块目的端口成功",
    "",
    "@ 查询DCHP模式",
    "@           查询模块DCHP模式成功",
    "",
    "@ 查询设备名称",
    "@           查询模块设备名称成功",
    "",
    "@ 查询串口参数",
    "@           查询模块串口参数成功",
    "",
    "@ 查询MAC地址",
    "@           查询模块MAC地址成功",
    "",
    "@ 读取版本号",
    "@           读取版本号成功",
    "@ 版本号为： V2.0",
    "",
};

void ExpectPanelFilledByHealthyModule(const FakePanel& panel) {
    EXPECT_EQ(panel.indexes.at(Param::Mode), 1);
    EXPECT_EQ(panel.texts.at(Param::Gateway), "192.168.0.1");
    EXPECT_EQ(panel.texts.at(Param::Mask), "255.255.255.0");
    EXPECT_EQ(panel.texts.at(Param::Ip), "192.168.0.7");
    EXPECT_EQ(panel.texts.at(Param::Dip), "192.168.0.100");
    EXPECT_EQ(panel.texts.at(Param::Port), "20108");
    EXPECT_EQ(panel.texts.at(Param::DPort), "20105");
    EXPECT_EQ(panel.indexes.at(Param::Dhcp), 1);
    EXPECT_EQ(panel.texts.at(Param::Name), "车间");
    EXPECT_EQ(panel.texts.at(Param::Baud), "115200");
    EXPECT_EQ(panel.texts.at(Param::DataBits), "8");
    EXPECT_EQ(panel.indexes.at(Param::StopBits), 3);
    EXPECT_EQ(panel.indexes.at(Param::Parity), 2);
    EXPECT_EQ(panel.texts.at(Param::Mac), "00:1a:2b:3c:4d:5e");
    EXPECT_EQ(panel.texts.at(Param::Version), "V2.0");
}

TEST(ReadAll, OnUdpThirteenFramesEach30msAfterThePreviousReply) {
    ControllerRig rig;
    rig.findAndSelectModule(); // clicks 读参数 at time 0
    rig.clearRecords();
    rig.answerAutomatically(10);
    rig.clock.advance(5000);

    EXPECT_EQ(rig.commands(), kReadAllCommands);
    const std::vector<long> sent = rig.commandTimes();
    ASSERT_EQ(sent.size(), 13u);
    ASSERT_EQ(rig.replyTimes.size(), 13u);
    EXPECT_EQ(sent[0], 30);
    for (std::size_t i = 1; i < sent.size(); ++i)
        EXPECT_EQ(sent[i], rig.replyTimes[i - 1] + 30) << i;
    EXPECT_FALSE(rig.timerRead.enabled());
    EXPECT_EQ(rig.log.lines, kReadAllLog);
    EXPECT_TRUE(rig.dialogs.shown.empty());
    ExpectPanelFilledByHealthyModule(rig.panel);
}

TEST(ReadAll, OnSerialA300msWindowThen150msToTheNextSend) {
    ControllerRig rig;
    rig.useSerialLink();
    rig.answerAutomatically();
    rig.controller.readAll();
    rig.clock.advance(10000);

    EXPECT_EQ(rig.commands(), kReadAllCommands);
    const std::vector<long> sent = rig.commandTimes();
    ASSERT_EQ(sent.size(), 13u);
    for (std::size_t i = 0; i < sent.size(); ++i)
        EXPECT_EQ(sent[i], 30 + 450 * static_cast<long>(i)) << i;
    EXPECT_EQ(rig.serial.readSizes, std::vector<int>(13, 1024));
    EXPECT_FALSE(rig.timerRead.enabled());
    EXPECT_FALSE(rig.timerPortRes.enabled());
    EXPECT_EQ(rig.log.lines, kReadAllLog);
    ExpectPanelFilledByHealthyModule(rig.panel);
}

TEST(ReadAll, AfterAConfirmedFactoryDefaultStartsAfter2000ms) {
    ControllerRig rig;
    rig.findAndSelectModule();
    rig.clock.advance(20); // the selection's own chain is overtaken
    rig.clearRecords();
    rig.answerAutomatically(10);
    rig.controller.factoryDefault();
    rig.clock.advance(10); // the module confirms
    EXPECT_EQ(rig.log.lines, (std::vector<std::string>{"@ 设置模块出厂默认参数",
                                                       "@           恢复出厂设置命令响应成功", ""}));
    rig.clock.advance(1999);
    EXPECT_EQ(rig.commands().size(), 1u);
    rig.clock.advance(1);
    EXPECT_EQ(rig.commands().back(), "AT\r\n");
    EXPECT_EQ(rig.commandTimes().back(), 10 + 20 + 2000);
}

TEST(Resend, WrongTwiceThenRightResetsTheCountSoTheNextQueryGetsThreeResends) {
    ControllerRig rig;
    rig.findAndSelectModule();
    rig.clock.advance(20);
    rig.clearRecords();
    rig.answerAutomatically(10);

    rig.scripted = {"ERROR\r\n", "+IP\r\n", "+MODEL=2\r\n"};
    rig.controller.query(Param::Mode);
    rig.clock.advance(1000);
    EXPECT_EQ(rig.commands(), std::vector<std::string>(3, "AT+MODEL=?\r\n"));
    EXPECT_EQ(rig.controller.retryCount(), 0);
    EXPECT_EQ(rig.panel.indexes.at(Param::Mode), 2);
    EXPECT_EQ(rig.state.PendingCommand, 5); // a single query stays at its awaiting code
    EXPECT_EQ(rig.state.SingleQuery, 0);

    rig.clearRecords();
    rig.scripted = {"x\r\n", "x\r\n", "x\r\n", "x\r\n"};
    rig.controller.query(Param::Gateway);
    rig.clock.advance(1000);
    EXPECT_EQ(rig.commands(), std::vector<std::string>(4, "AT+GATEWAY=?\r\n"));
    ASSERT_GE(rig.log.lines.size(), 2u);
    EXPECT_EQ(rig.log.lines[rig.log.lines.size() - 2], "@           查询网关IP地址失败");
    EXPECT_EQ(rig.log.lines.back(), "");
    ASSERT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_EQ(rig.dialogs.shown[0].text, "连续3次应答错误");
    EXPECT_EQ(rig.dialogs.shown[0].caption, "提示");
    EXPECT_EQ(rig.dialogs.shown[0].buttons, MessageButtons::OkCancel);
    EXPECT_FALSE(rig.timerRead.enabled());
    EXPECT_EQ(rig.controller.retryCount(), 0);
    EXPECT_EQ(rig.state.PendingCommand, 11);
    EXPECT_EQ(rig.state.SingleQuery, 1); // only a right reply clears it
}

TEST(Resend, TheVersionQueryFailsAtOnce) {
    ControllerRig rig;
    rig.findAndSelectModule();
    rig.clock.advance(20);
    rig.clearRecords();
    rig.answerAutomatically(10);
    rig.scripted = {"ERROR\r\n"};
    rig.controller.query(Param::Version);
    rig.clock.advance(1000);
    EXPECT_EQ(rig.commands(), std::vector<std::string>{"AT+VER=?\r\n"});
    EXPECT_EQ(rig.log.lines, (std::vector<std::string>{"@ 读取版本号", "@           读取版本号失败", ""}));
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_FALSE(rig.timerRead.enabled());
}

TEST(ReadAll, AFailedSingleQueryDoesNotCutTheNextReadAllShort) {
    ControllerRig rig;
    rig.findAndSelectModule();
    rig.clock.advance(20);
    rig.controller.query(Param::Ip); // never answered: SingleQuery stays set
    rig.clock.advance(500);
    rig.clearRecords();
    rig.answerAutomatically(10);
    rig.controller.readAll();
    rig.clock.advance(5000);
    EXPECT_EQ(rig.commands(), kReadAllCommands);
}

TEST(Timeout, TheLinkTestUnansweredFor150msEndsWithResponseTimeout) {
    ControllerRig rig;
    rig.findAndSelectModule();
    rig.clearRecords();
    rig.clock.schedule(100, [&rig] { rig.receive(rig.state.LocalIp, kModuleMac, "OK\r\n"); }); // our own echo
    rig.clock.advance(1000);
    EXPECT_EQ(rig.commands(), std::vector<std::string>{"AT\r\n"});
    EXPECT_EQ(rig.dialogs.texts(), std::vector<std::string>{"应答超时"});
    EXPECT_EQ(rig.dialogs.shown[0].buttons, MessageButtons::OkCancel);
    EXPECT_FALSE(rig.timerRead.enabled());
    EXPECT_EQ(rig.state.PendingCommand, 43);
    EXPECT_EQ(rig.state.TimeoutArmed, 0);
}

TEST(Timeout, AnyOtherHostsDatagramDisarmsIt) {
    ControllerRig rig;
    rig.findAndSelectModule();
    rig.clearRecords();
    // Taken as the reply whatever its header says.
    rig.clock.schedule(100, [&rig] { rig.receive(rig.moduleIp + 1, "ff:ff:ff:ff:ff:ff", "OK\r\n"); });
    rig.clock.advance(1000);
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_EQ(rig.commands(), (std::vector<std::string>{"AT\r\n", "AT+MODEL=?\r\n"}));
}

TEST(Timeout, NoSocketMeansUdpNotEstablished) {
    ControllerRig rig;
    rig.findAndSelectModule();
    rig.clearRecords();
    rig.udp.isActive = false;
    rig.clock.advance(1000);
    EXPECT_TRUE(rig.commands().empty());
    EXPECT_EQ(rig.dialogs.texts(), std::vector<std::string>{"UDP没建立"});
    EXPECT_FALSE(rig.timerRead.enabled());
}

TEST(Waiting, UnansweredQueriesKeepTheSenderTickingOnUdpAndStopOnSerial) {
    ControllerRig rig;
    rig.findAndSelectModule();
    rig.clock.advance(20);
    rig.clearRecords();
    rig.controller.query(Param::Port);
    rig.clock.advance(2000);
    EXPECT_EQ(rig.commands(), std::vector<std::string>{"AT+PORT=?\r\n"});
    EXPECT_TRUE(rig.timerRead.enabled());
    EXPECT_EQ(rig.timerRead.interval(), 150);
    rig.receiveFromModule("+PORT=1234\r\n"); // late, still taken
    EXPECT_EQ(rig.panel.texts.at(Param::Port), "1234");

    ControllerRig serialRig;
    serialRig.useSerialLink();
    serialRig.controller.query(Param::Port);
    serialRig.clock.advance(2000);
    EXPECT_EQ(serialRig.commands(), std::vector<std::string>{"AT+PORT=?\r\n"});
    EXPECT_FALSE(serialRig.timerRead.enabled());
    EXPECT_FALSE(serialRig.timerPortRes.enabled());
    EXPECT_EQ(serialRig.log.lines, std::vector<std::string>{"@ 查询模块端口"});
    EXPECT_TRUE(serialRig.dialogs.shown.empty());
}

TEST(LateReplies, AreInterpretedAgainstTheLastCode) {
    ControllerRig rig;
    rig.findAndSelectModule();
    rig.clock.advance(20);
    rig.controller.query(Param::Ip);
    rig.clock.advance(50);
    rig.receiveFromModule("+IP=192.168.0.7\r\n");
    EXPECT_EQ(rig.state.PendingCommand, 19);
    rig.clearRecords();
    // Repeated by the module: shown and logged again, and with SingleQuery
    // already cleared it moves on like a chain step.
    rig.receiveFromModule("+IP=10.0.0.9\r\n");
    EXPECT_EQ(rig.panel.texts.at(Param::Ip), "10.0.0.9");
    EXPECT_EQ(rig.log.lines, (std::vector<std::string>{"@           查询模块IP地址成功", ""}));
    EXPECT_EQ(rig.state.PendingCommand, 22);

    rig.clearRecords();
    rig.controller.set(Param::Gateway);
    rig.receiveFromModule("OK\r\n");
    rig.receiveFromModule("OK\r\n");
    EXPECT_EQ(rig.log.lines, (std::vector<std::string>{"@ 设置网关IP地址", "@           设置网关IP成功", "",
                                                       "@           设置网关IP成功", ""}));
}

TEST(ReplyValues, KeywordAnywhereValueAtItsOffsetUpToTheFirstZeroByte) {
    struct Case {
        Param button;
        std::string payload;
        Param field;
        std::string text; // for a text field
        int index;        // for a combo
    };
    const Case cases[] = {
        {Param::Mode, "xx+MODEL=2\r\n", Param::Mode, "", 'L' - '0'},
        {Param::Dhcp, std::string("+DCHP=\0", 7), Param::Dhcp, "", 208},
        {Param::Name, "+NAME=\xb3\xb5\xff\r\n", Param::Name, "车\xef\xbf\xbd", 0},
        {Param::Mac, std::string("+MAC=00:1a\0:2b\r\n", 16), Param::Mac, "00:1a", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payload);
        ControllerRig rig;
        rig.findAndSelectModule();
        rig.clock.advance(20);
        rig.controller.query(c.button);
        rig.clock.advance(50);
        rig.controller.interpretReply(c.payload);
        if (c.text.empty()) {
            EXPECT_EQ(rig.panel.indexes.at(c.field), c.index);
        } else {
            EXPECT_EQ(rig.panel.texts.at(c.field), c.text);
        }
    }
}

} // namespace
} // namespace lumiq::test
