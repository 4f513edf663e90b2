// What a technician sees when a module answers wrongly, not at all, or with
// garbage: resends, the failure texts, and a window that carries on.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "tests/e2e/udp/UdpBed.h"

namespace lumiq::test {
namespace {

using testbed::SimLanOptions;

TEST(Failures, WrongRepliesAreResentThreeTimesBeforeTheFailureIsReported) {
    UdpBed bed(SimLanOptions{.modules = 1});
    ASSERT_TRUE(bed.search(1));
    ASSERT_TRUE(bed.selectAndRead(0));
    const std::string mac = bed.sim().params(0).at("MAC");
    bed.sim().set(0, "PORT", "8200");

    // Three wrong replies, then the right one: four frames, and success.
    bed.sim().fault(0, "wrong 3");
    bed.sim().clearLog();
    ASSERT_TRUE(bed.clickAndWaitLog(bed.tool->But_PortCheck, QStringLiteral("          查询模块端口成功")));
    EXPECT_EQ(ReceivedBytes(bed.sim()),
              std::vector<std::string>(4, UdpFrame(mac, "AT+PORT=?", bed.hostMac())));
    EXPECT_EQ(bed.tool->Edt_Port->text(), QStringLiteral("8200"));
    EXPECT_TRUE(bed.tool.messages.empty());

    // Four wrong replies: four frames, the failure line and the box. The
    // success above started the count afresh.
    bed.sim().fault(0, "wrong 4");
    bed.sim().clearLog();
    ToolWindow::click(bed.tool->But_DPortCheck);
    ASSERT_TRUE(bed.tool.waitForMessage("连续3次应答错误"));
    EXPECT_EQ(bed.tool.logCount(QStringLiteral("          查询模块目的端口失败")), 1);
    EXPECT_EQ(bed.tool.messages.at(0).caption, "提示");
    EXPECT_EQ(bed.tool.messages.at(0).buttons, MessageButtons::OkCancel);
    // The engine gives up: no fifth frame.
    ToolWindow::idle(400);
    EXPECT_EQ(ReceivedBytes(bed.sim()),
              std::vector<std::string>(4, UdpFrame(mac, "AT+DPORT=?", bed.hostMac())));
    EXPECT_EQ(bed.tool.messages.size(), 1u);
    EXPECT_EQ(bed.tool->Edt_DPort->text(), QStringLiteral("9000"));
}

TEST(Failures, ASilentModuleGivesAnswerTimeoutAndTheDestinationIpWarning) {
    UdpBed bed(SimLanOptions{.modules = 1});
    ASSERT_TRUE(bed.search(1));
    bed.sim().fault(0, "silent on");
    bed.sim().clearLog();

    bed.tool.clickModule(0);
    ASSERT_TRUE(bed.tool.waitForMessage("应答超时"));
    EXPECT_EQ(bed.tool.messages.at(0).caption, "提示");
    ToolWindow::idle(400);
    const auto frames = bed.sim().received();
    ASSERT_EQ(frames.size(), 1u); // the link test alone
    EXPECT_EQ(frames[0].bytes, UdpFrame(bed.sim().params(0).at("MAC"), "AT", bed.hostMac()));
    EXPECT_EQ(bed.tool.messages.size(), 1u);

    // Once the module answers again, 读参数 reads it in full.
    bed.sim().fault(0, "clear");
    const QString versionRead = QStringLiteral("          读取版本号成功");
    ASSERT_TRUE(bed.clickAndWaitLog(bed.tool->But_Read, versionRead));
    ExpectPanelShows(bed.tool, bed.sim().params(0));

    // A destination-IP set frame that is never answered: after 4 s the log
    // tells the technician that the module may have changed.
    bed.sim().fault(0, "silent on");
    const double clickedMs = MonotonicMs();
    ASSERT_TRUE(
        bed.clickAndWaitLog(bed.tool->But_DIP, QStringLiteral("模块内部数据已被更改，请稍后重新搜索!")));
    EXPECT_GE(MonotonicMs() - clickedMs, 4000.0);
    EXPECT_EQ(bed.tool.messages.size(), 1u);
}

TEST(Failures, MalformedDatagramsNeitherCrashTheWindowNorCorruptThePanel) {
    UdpBed bed(SimLanOptions{.modules = 5});
    // During a search: a short header, no ">", binary bytes and 65000 bytes.
    const char* kinds[] = {"short", "nogt", "binary", "oversized"};
    for (int m = 0; m < 4; ++m)
        bed.sim().fault(m, std::string("malformed ") + kinds[m]);
    ToolWindow::click(bed.tool->But_UDPFind);
    // The healthy module answers last; what came before it has been handled.
    ASSERT_TRUE(ToolWindow::waitFor([&] { return bed.tool.state().ModuleCount == 2; }));
    ToolWindow::idle(300);
    // Only replies with a whole header name a module; the oversized one has one.
    ASSERT_EQ(bed.tool->ListBoxIP->count(), 2);
    EXPECT_EQ(bed.tool->ListBoxIP->item(0)->text().toStdString(),
              bed.lan.moduleAddress(3) + ":" + bed.sim().params(3).at("MAC"));
    EXPECT_EQ(bed.tool->ListBoxIP->item(1)->text().toStdString(),
              bed.lan.moduleAddress(4) + ":" + bed.sim().params(4).at("MAC"));

    // During a query: three malformed replies are wrong ones and are resent;
    // the oversized fourth names the parameter, and the name box takes the
    // 19 bytes a value can hold.
    ASSERT_TRUE(bed.selectAndRead(1));
    const auto params = bed.sim().params(4);
    for (const char* kind : kinds)
        bed.sim().fault(4, std::string("malformed ") + kind);
    bed.sim().clearLog();
    ASSERT_TRUE(
        bed.clickAndWaitLog(bed.tool->But_NameCheck, QStringLiteral("          查询模块设备名称成功")));
    EXPECT_EQ(bed.sim().received().size(), 4u);
    EXPECT_EQ(bed.tool->Edt_Name->text(), QString(19, QLatin1Char('X')));
    // Every other field still shows the module.
    auto others = params;
    others["NAME"] = std::string(19, 'X');
    ExpectPanelShows(bed.tool, others);
    EXPECT_TRUE(bed.tool.messages.empty());

    // And the window goes on working.
    ASSERT_TRUE(bed.selectAndRead(1));
    ExpectPanelShows(bed.tool, params);
}

} // namespace
} // namespace lumiq::test
