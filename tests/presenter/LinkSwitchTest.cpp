// Switching links from the menu: which transport ends up active, what the
// operator is told, and that a port that cannot be opened leaves the tool
// fully on UDP.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/presenter/ControllerRig.h"

namespace lumiq::test {
namespace {

class LinkSwitching : public ::testing::Test {
protected:
    void SetUp() override { rig.serial.isConnected = false; }
    ControllerRig rig;
};

const std::vector<std::string> kSerialLines = {"现在切换到串口通讯方式", "请把模块的CFG引脚电平拉低为0V"};

TEST_F(LinkSwitching, SerialSwitchClosesRunsTheDialogOpensAndSilencesTheSocket) {
    rig.controller.switchToSerial();
    EXPECT_EQ(rig.serial.events, (std::vector<std::string>{"close", "dialog", "open"}));
    EXPECT_EQ(rig.state.LinkMode, LinkMode::Serial);
    EXPECT_FALSE(rig.udp.isActive);
    EXPECT_FALSE(rig.list.searchEnabled);
    EXPECT_EQ(rig.log.lines, kSerialLines);
    ASSERT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_EQ(rig.dialogs.shown[0].text, "请把模块的CFG引脚电平拉低为0V");
    EXPECT_EQ(rig.dialogs.shown[0].caption, "提示");
    EXPECT_EQ(rig.dialogs.shown[0].buttons, MessageButtons::OkCancel);
}

TEST_F(LinkSwitching, ChoosingSerialTwiceReopensThePortAndRepeatsTheNotice) {
    rig.controller.switchToSerial();
    rig.controller.switchToSerial();
    EXPECT_EQ(rig.serial.events,
              (std::vector<std::string>{"close", "dialog", "open", "close", "dialog", "open"}));
    EXPECT_EQ(rig.log.lines.size(), 4u);
    EXPECT_EQ(rig.dialogs.shown.size(), 2u);
    EXPECT_EQ(rig.state.LinkMode, LinkMode::Serial);
}

TEST_F(LinkSwitching, APortThatCannotBeOpenedLeavesTheToolFullyOnUdp) {
    for (bool startOnSerial : {false, true}) {
        SCOPED_TRACE(startOnSerial ? "from serial" : "from UDP");
        ControllerRig r;
        r.serial.isConnected = false;
        if (startOnSerial) {
            r.controller.switchToSerial();
            r.clearRecords();
        }
        r.serial.failOpen = true;
        r.controller.switchToSerial();
        EXPECT_EQ(r.state.LinkMode, LinkMode::Udp);
        EXPECT_TRUE(r.udp.isActive);
        EXPECT_TRUE(r.list.searchEnabled);
        EXPECT_FALSE(r.serial.isConnected);
        EXPECT_EQ(r.log.lines, (std::vector<std::string>{"端口 ttyS0 已打开或不存在", "仍为UDP通讯方式"}));
        ASSERT_EQ(r.dialogs.shown.size(), 1u);
        EXPECT_EQ(r.dialogs.shown[0].text, "端口 ttyS0 已打开或不存在");
    }
}

TEST_F(LinkSwitching, NoSerialPortAtAllChangesNothing) {
    rig.serial.failDialog = true;
    rig.controller.switchToSerial();
    EXPECT_EQ(rig.state.LinkMode, LinkMode::Udp);
    EXPECT_TRUE(rig.udp.isActive);
    EXPECT_TRUE(rig.list.searchEnabled);
    EXPECT_TRUE(rig.log.lines.empty());
    ASSERT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_EQ(rig.dialogs.shown[0].text, "计算机上不存在串口");
}

TEST_F(LinkSwitching, AFailingDialogOnTheSerialLinkLeavesItSerialWithThePortClosed) {
    rig.controller.switchToSerial();
    rig.serial.failDialog = true;
    rig.controller.switchToSerial();
    EXPECT_EQ(rig.state.LinkMode, LinkMode::Serial);
    EXPECT_FALSE(rig.serial.isConnected);
    EXPECT_FALSE(rig.udp.isActive);
}

TEST_F(LinkSwitching, UdpSwitchReactivatesTheSocketAndLeavesThePortOpen) {
    rig.controller.switchToSerial();
    rig.clearRecords();
    rig.controller.switchToUdp();
    EXPECT_EQ(rig.state.LinkMode, LinkMode::Udp);
    EXPECT_TRUE(rig.udp.isActive);
    EXPECT_TRUE(rig.list.searchEnabled);
    EXPECT_TRUE(rig.serial.isConnected);
    EXPECT_EQ(rig.log.lines, std::vector<std::string>{"现在切换到 UDP 通讯方式"});

    rig.clearRecords();
    rig.controller.switchToUdp(); // again: only the line again
    EXPECT_EQ(rig.log.lines, std::vector<std::string>{"现在切换到 UDP 通讯方式"});
    EXPECT_TRUE(rig.dialogs.shown.empty());
}

} // namespace
} // namespace lumiq::test
