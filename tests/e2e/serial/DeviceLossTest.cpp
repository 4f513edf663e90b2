// The module's end of the port going away in the middle of a read-all: the
// port's failure reaches the operator in the standard error report and the
// window goes on serving. Also run with a Chinese LANG, where the failure
// text comes from the "cport" catalog.

#include <gtest/gtest.h>

#include <QPushButton>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "app/ApplicationTitle.h"
#include "serial/ComPort.h"
#include "serial/EComPort.h"
#include "tests/e2e/serial/SerialRig.h"

namespace lumiq::test {
namespace {

bool ChineseRequested() {
    const char* lang = std::getenv("LANG");
    return lang != nullptr && std::string(lang).rfind("zh", 0) == 0;
}

// The serial failures a gone device gives: the next write, or the next read.
bool IsDeviceGoneText(const std::string& text) {
    return text == EComPort(kComWriteFailed, EIO).what() || text == EComPort(kComReadFailed, EIO).what();
}

int StopBoxes(const ToolWindow& tool) {
    int count = 0;
    for (const MessageRequest& m : tool.messages)
        count += m.icon == MessageIcon::Stop ? 1 : 0;
    return count;
}

TEST(SerialDeviceLoss, TheOtherEndGoingAwayMidReadAllIsReportedAndTheWindowCarriesOn) {
    SerialRig rig;
    rig.switchToModulePort();
    rig.tool.messages.clear();
    ToolWindow::click(rig.tool->But_Read);
    ASSERT_TRUE(rig.tool.waitForLog(QStringLiteral("          查询网关IP地址成功")));
    rig.sim.stopSimulator();

    ASSERT_TRUE(ToolWindow::waitFor([&] { return StopBoxes(rig.tool) > 0; }));
    const MessageRequest report = rig.tool.messages.back();
    EXPECT_TRUE(IsDeviceGoneText(report.text)) << report.text;
    EXPECT_EQ(report.caption, ApplicationTitle().toStdString());
    EXPECT_EQ(report.buttons, MessageButtons::Ok);
    if (ChineseRequested()) {
        EXPECT_NE(report.text.find("系统错误代码"), std::string::npos) << report.text;
    }

    // The chain has ended: nothing more is sent, read or reported.
    ToolWindow::idle(1000);
    EXPECT_EQ(rig.tool.messages.size(), 1u);
    EXPECT_EQ(rig.tool.logCount(QStringLiteral("          读取版本号成功")), 0);

    // Further clicks are served: a serial query fails the same way, the
    // switch back to UDP works.
    ToolWindow::click(rig.tool->But_ReadVer);
    ASSERT_TRUE(ToolWindow::waitFor([&] { return StopBoxes(rig.tool) == 2; }));
    EXPECT_TRUE(IsDeviceGoneText(rig.tool.messages.back().text)) << rig.tool.messages.back().text;
    ToolWindow::trigger(rig.tool->TCPIP1);
    EXPECT_TRUE(rig.tool.waitForLog(QStringLiteral("现在切换到 UDP 通讯方式")));

    // Closing the window with the port still open on the lost device ends.
    EXPECT_TRUE(rig.tool->ComPort->Connected());
    EXPECT_TRUE(rig.tool->close());
    EXPECT_FALSE(rig.tool->isVisible());
}

} // namespace
} // namespace lumiq::test
