// Set replies: the write-all chain, the destination-IP watch, the factory
// default's resend, the MAC change and the serial re-setup.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/presenter/ControllerRig.h"

namespace lumiq::test {
namespace {

const std::vector<std::string> kWriteAllCommands{
    "AT+MODEL=0\r\n",
    "AT+GATEWAY=192.168.1.1\r\n",
    "AT+MASK=255.255.255.0\r\n",
    "AT+IP=192.168.1.7\r\n",
    "AT+DIP=192.168.1.100\r\n",
    "AT+PORT=8080\r\n",
    "AT+DPORT=9090\r\n",
    "AT+DCHP=0\r\n",
    "AT+NAME=Lumiq\r\n",
    "AT+UART=9600,8,1,0\r\n",
    "AT+MAC=00:1a:2b:3c:4d:5f\r\n",
};

class SetReplies : public ::testing::Test {
protected:
    void SetUp() override {
        rig.findAndSelectModule();
        rig.clock.advance(20); // before the selection's read-all sends anything
        rig.clearRecords();
    }
    ControllerRig rig;
};

TEST_F(SetReplies, WriteAllSendsElevenSetsEach300msAfterTheOkBefore) {
    rig.answerAutomatically(10);
    rig.controller.oneKeyWrite();
    EXPECT_EQ(rig.log.lines.front(), "@ 设置模块工作模式"); // at once, like the button
    rig.clock.advance(10000);

    EXPECT_EQ(rig.commands(), kWriteAllCommands);
    const std::vector<long> sent = rig.commandTimes();
    ASSERT_EQ(rig.replyTimes.size(), 11u);
    ASSERT_EQ(rig.pause.startedAt.size(), 10u);
    for (std::size_t i = 1; i < sent.size(); ++i) {
        EXPECT_EQ(rig.pause.startedAt[i - 1], rig.replyTimes[i - 1]) << i;
        EXPECT_EQ(sent[i], rig.replyTimes[i - 1] + 300) << i;
    }
    EXPECT_EQ(rig.state.OneKeyWrite, 0);
    EXPECT_FALSE(rig.timerOut.enabled());
    // The new MAC is in the registry, the list and every later envelope.
    EXPECT_EQ(rig.list.lines, std::vector<std::string>{"192.168.0.7:00:1a:2b:3c:4d:5f"});
    rig.controller.query(Param::Mode);
    rig.clock.advance(50);
    EXPECT_EQ(rig.udp.sent.back().bytes, "<00:1a:2b:3c:4d:5f>,<00:11:22:33:44:55>,AT+MODEL=?\r\n");
    EXPECT_EQ(rig.state.SelectedMacText, "00:1a:2b:3c:4d:5f");
}

TEST_F(SetReplies, WriteAllStopsAtAWrongReplyAndStartsOverFromTheWorkMode) {
    rig.answerAutomatically(10);
    rig.scripted = {"OK\r\n", "OK\r\n", "OK\r\n", "OK\r\n", "OK\r\n", "ERROR\r\n"};
    rig.controller.oneKeyWrite();
    rig.clock.advance(10000);
    EXPECT_EQ(rig.commands(),
              std::vector<std::string>(kWriteAllCommands.begin(), kWriteAllCommands.begin() + 6));
    EXPECT_EQ(rig.log.lines[rig.log.lines.size() - 2], "@           设置模块端口失败");
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_EQ(rig.state.OneKeyWrite, 0);

    rig.clearRecords();
    rig.controller.oneKeyWrite();
    rig.clock.advance(10000);
    EXPECT_EQ(rig.commands(), kWriteAllCommands);
}

TEST_F(SetReplies, EverySetReplyLogsItsOwnSuccessOrFailureLine) {
    struct Case {
        Param button;
        const char* success;
        const char* failure;
    };
    const Case cases[] = {
        {Param::Mode, "设置工作模式成功", "设置工作模式失败"},
        {Param::Gateway, "设置网关IP成功", "设置网关IP失败"},
        {Param::Mask, "设置子网掩码成功", "设置子网掩码失败"},
        {Param::Ip, "设置模块IP成功", "设置模块IP失败"},
        {Param::Dip, "设置模块目的IP成功", "设置模块目的IP失败"},
        {Param::Port, "设置模块端口成功", "设置模块端口失败"},
        {Param::DPort, "设置模块目的端口成功", "设置模块目的端口失败"},
        {Param::Dhcp, "设置DCHP模式成功", "设置DCHP模式失败"},
        {Param::Name, "设置模块设备名称成功", "设置模块设备名称失败"},
        {Param::Baud, "设置模块串口参数成功", "设置模块串口参数失败"},
        {Param::Mac, "设置模块MAC地址成功", "设置模块MAC地址失败"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.success);
        for (const char* payload : {"xxOKxx", "ERROR\r\n"}) {
            rig.controller.set(c.button);
            rig.clearRecords();
            rig.receiveFromModule(payload);
            const bool right = payload[0] == 'x';
            EXPECT_EQ(rig.log.lines, (std::vector<std::string>{
                                         std::string("@           ") + (right ? c.success : c.failure), ""}));
            EXPECT_FALSE(rig.timerRead.enabled());
            EXPECT_TRUE(rig.commands().empty());
            EXPECT_TRUE(rig.dialogs.shown.empty());
        }
    }
}

TEST_F(SetReplies, AnUnansweredDestinationIpLogsAWarningEvery4sUntilAnyReply) {
    rig.controller.set(Param::Dip);
    rig.clearRecords();
    rig.clock.advance(12500);
    const std::string warning = "@ 模块内部数据已被更改，请稍后重新搜索!";
    EXPECT_EQ(rig.log.lines, std::vector<std::string>(3, warning));
    EXPECT_EQ(rig.log.times, (std::vector<long>{4020, 8020, 12020}));

    rig.receiveFromModule("ERROR\r\n"); // even a wrong reply ends the watch
    rig.clock.advance(10000);
    EXPECT_EQ(rig.log.lines.size(), 5u);
    EXPECT_EQ(rig.log.lines[3], "@           设置模块目的IP失败");
    EXPECT_FALSE(rig.timerOut.enabled());
}

TEST_F(SetReplies, AWrongFactoryDefaultReplyIsResentThroughCode8OnTheSerialLink) {
    rig.useSerialLink();
    rig.answerAutomatically();
    rig.scripted = {"ERROR\r\n"};
    rig.controller.factoryDefault();
    rig.clock.advance(20 + 300); // the receive window closes on the wrong reply
    EXPECT_EQ(rig.state.PendingCommand, 8);
    rig.clock.advance(150);
    EXPECT_EQ(rig.commands(), std::vector<std::string>(2, "AT+DEFAULT\r\n"));
    EXPECT_EQ(rig.log.lines.back(), "@ 发送恢复出厂设置命令");
    EXPECT_EQ(rig.state.TimeoutArmed, 1);
    rig.clock.advance(300); // "OK": the read-back starts 2000 ms later
    EXPECT_EQ(rig.state.TimeoutArmed, 0);
    EXPECT_EQ(rig.log.lines[rig.log.lines.size() - 2], "@           恢复出厂设置命令响应成功");
    rig.clock.advance(2000);
    EXPECT_EQ(rig.commands().back(), "AT\r\n");
}

TEST(SerialResetup, AsksForThePortSettingsUntilTheBaudRateMatches) {
    ControllerRig rig;
    rig.useSerialLink();
    rig.panel.indexes[Param::Baud] = 6; // 9600, the port's rate number 7
    rig.serial.dialogChoices = {5, 13, 7};
    rig.controller.set(Param::Baud);
    rig.serial.input = "OK\r\n";
    rig.clock.advance(300);

    EXPECT_EQ(rig.serial.events, (std::vector<std::string>{"close", "dialog", "dialog", "dialog", "open"}));
    ASSERT_EQ(rig.dialogs.shown.size(), 2u);
    for (const MessageRequest& shown : rig.dialogs.shown) {
        EXPECT_EQ(shown.text, "请重新选择波特率！");
        EXPECT_EQ(shown.icon, MessageIcon::Stop);
        EXPECT_EQ(shown.buttons, MessageButtons::Ok);
    }
    EXPECT_EQ(rig.log.lines,
              (std::vector<std::string>{"@ 设置模块串口参数", "@           设置模块串口参数成功", "",
                                        "@           请重新设置软件的串口参数！"}));
}

TEST(SerialResetup, APortClosedBeforeIsOpenedAfterAndUdpNeedsNone) {
    ControllerRig rig;
    rig.useSerialLink();
    rig.serial.isConnected = false;
    rig.controller.interpretReply("OK"); // nothing pending: no re-setup
    rig.state.PendingCommand = 37;
    rig.controller.interpretReply("OK");
    EXPECT_EQ(rig.serial.events, (std::vector<std::string>{"dialog", "open"}));

    ControllerRig udpRig;
    udpRig.state.PendingCommand = 37;
    udpRig.controller.interpretReply("OK");
    EXPECT_TRUE(udpRig.serial.events.empty());
}

} // namespace
} // namespace lumiq::test
