// Switching links from the menu with the real window, the real setup dialog
// and simulated modules on pseudo-terminals.

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>

#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "net/TcmSocket.h"
#include "serial/ComPort.h"
#include "tests/e2e/serial/SerialRig.h"

namespace lumiq::test {
namespace {

const QString kSerialNow = QStringLiteral("现在切换到串口通讯方式");
const QString kPullCfgLow = QStringLiteral("请把模块的CFG引脚电平拉低为0V");

std::vector<std::string> LastLogLines(const ToolWindow& tool, std::size_t count) {
    const QStringList lines = tool.logLines();
    std::vector<std::string> tail;
    for (qsizetype i = std::max<qsizetype>(0, lines.size() - static_cast<qsizetype>(count)); i < lines.size();
         ++i)
        tail.push_back(lines[i].toStdString());
    return tail;
}

void ExpectOnSerial(ToolWindow& tool) {
    EXPECT_EQ(tool.state().LinkMode, LinkMode::Serial);
    EXPECT_TRUE(tool->ComPort->Connected());
    EXPECT_FALSE(tool->MySocket->Active());
    EXPECT_FALSE(tool->But_UDPFind->isEnabled());
    EXPECT_FALSE(tool->ListBoxIP->isEnabled());
}

void ExpectFullyOnUdp(ToolWindow& tool) {
    EXPECT_EQ(tool.state().LinkMode, LinkMode::Udp);
    EXPECT_TRUE(tool->MySocket->Active());
    EXPECT_TRUE(tool->But_UDPFind->isEnabled());
    EXPECT_TRUE(tool->ListBoxIP->isEnabled());
}

// What the operator is told when the chosen port cannot be had.
void ExpectRefusedPort(ToolWindow& tool, const std::string& name) {
    const std::string refused = "端口 " + name + " 已打开或不存在";
    ExpectFullyOnUdp(tool);
    EXPECT_FALSE(tool->ComPort->Connected());
    EXPECT_EQ(LastLogLines(tool, 2), (std::vector<std::string>{refused, "仍为UDP通讯方式"}));
    ASSERT_FALSE(tool.messages.empty());
    EXPECT_EQ(tool.messages.back().text, refused);
    EXPECT_EQ(tool.messages.back().caption, "提示");
}

TEST(SerialLinkSwitch, ThePortPickedInTheDialogCarriesTheLinkUntilTcpipIsChosen) {
    SerialRig rig;
    int opens = 0, closes = 0;
    rig.tool->ComPort->OnAfterOpen = [&](TCustomComPort&) { ++opens; };
    rig.tool->ComPort->OnAfterClose = [&](TCustomComPort&) { ++closes; };

    rig.switchToSerial({rig.port(), "115200"});
    EXPECT_EQ(rig.dialog.shown(), 1);
    const auto& offered = rig.dialog.offeredPorts();
    EXPECT_NE(std::find(offered.begin(), offered.end(), rig.port()), offered.end());
    EXPECT_EQ(rig.tool->ComPort->Port(), rig.port());
    EXPECT_EQ(rig.tool->ComPort->BaudRate(), br115200);
    ExpectOnSerial(rig.tool);
    EXPECT_EQ(LastLogLines(rig.tool, 2),
              (std::vector<std::string>{kSerialNow.toStdString(), kPullCfgLow.toStdString()}));
    ASSERT_EQ(rig.tool.messages.size(), 1u);
    EXPECT_EQ(rig.tool.messages[0].text, kPullCfgLow.toStdString());
    EXPECT_EQ(rig.tool.messages[0].caption, "提示");
    EXPECT_EQ(rig.tool.messages[0].buttons, MessageButtons::OkCancel);

    // Again, with Cancel: the port is closed and reopened with the settings
    // it had, which the dialog showed.
    rig.switchToSerial({.port = "", .baudRate = "", .ok = false});
    EXPECT_EQ(rig.dialog.shownPort(), rig.port());
    EXPECT_EQ(rig.dialog.shownBaudRate(), "115200");
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(opens, 2);
    EXPECT_EQ(rig.tool->ComPort->Port(), rig.port());
    EXPECT_EQ(rig.tool->ComPort->BaudRate(), br115200);
    ExpectOnSerial(rig.tool);
    EXPECT_EQ(rig.tool.logCount(kSerialNow), 2);
    EXPECT_EQ(rig.tool.logCount(kPullCfgLow), 2);
    EXPECT_EQ(rig.tool.messages.size(), 2u);

    // Back to UDP: the socket serves again, the port stays open.
    ToolWindow::trigger(rig.tool->TCPIP1);
    ExpectFullyOnUdp(rig.tool);
    EXPECT_TRUE(rig.tool->ComPort->Connected());
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(LastLogLines(rig.tool, 1), std::vector<std::string>{"现在切换到 UDP 通讯方式"});
    EXPECT_EQ(rig.tool.messages.size(), 2u);
    EXPECT_EQ(rig.dialog.unplanned(), 0);
}

TEST(SerialLinkSwitch, APortThatCannotBeOpenedLeavesTheWindowFullyOnUdp) {
    SerialRig rig(2);

    // From UDP, Cancel keeps the window's first port name, which no device
    // here has.
    rig.switchToSerial({.port = "", .baudRate = "", .ok = false});
    ExpectRefusedPort(rig.tool, rig.tool->ComPort->Port());
    EXPECT_EQ(rig.tool->ComPort->Port(), "COM1");

    // From the serial link, to a port another opener holds.
    rig.switchToModulePort();
    TComPort holder;
    holder.SetPort(rig.port(1));
    holder.Open();
    rig.switchToSerial({rig.port(1), ""});
    ExpectRefusedPort(rig.tool, rig.port(1));
    EXPECT_TRUE(holder.Connected());
    EXPECT_EQ(rig.dialog.unplanned(), 0);
}

// Run with /sys/class hidden (see without-tty-class): the device listing
// cannot be read, as on a machine without a tty class.
TEST(WithoutTtyClass, NoSerialPortAtAllLeavesTheLinkAsItWas) {
    if (::access("/sys/class/tty", F_OK) == 0)
        GTEST_SKIP() << "needs /sys/class/tty hidden";
    ToolWindow tool;
    SetupDialogDriver dialog;
    ToolWindow::trigger(tool->N8);
    EXPECT_EQ(dialog.shown(), 0);
    ExpectFullyOnUdp(tool);
    EXPECT_FALSE(tool->ComPort->Connected());
    ASSERT_EQ(tool.messages.size(), 1u);
    EXPECT_EQ(tool.messages[0].text, "计算机上不存在串口");
    EXPECT_EQ(tool.messages[0].caption, "提示");
    EXPECT_EQ(tool.logCount(kSerialNow), 0);
}

} // namespace
} // namespace lumiq::test
