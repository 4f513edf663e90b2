// 保存通讯记录… records what the window sends and receives until it is
// chosen again: the trace of a search, a read-all and a set opens in tshark
// with every field decoded.

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <cstdlib>
#include <fstream>

#include "tests/e2e/udp/UdpBed.h"
#include "tests/support/TraceRows.h"

namespace lumiq::test {
namespace {

using testbed::CountRows;

TEST(WindowTrace, TheFileMenuItemRecordsASearchAReadAllAndASetUntilChosenAgain) {
    UdpBed bed(testbed::SimLanOptions{.modules = 1});
    bed.sim().set(0, "NAME", "一号机");
    const std::map<std::string, std::string> params = bed.sim().params(0);
    const std::string mac = params.at("MAC");
    testbed::ScratchDir scratch;
    ::setenv("XDG_STATE_HOME", scratch.path().c_str(), 1);
    const std::string file = scratch.file("window.pcap");
    bed.tool->Services().chooseTraceFile = [&](QWidget*) { return QString::fromStdString(file); };

    ToolWindow::trigger(bed.tool->N13);
    EXPECT_TRUE(bed.tool->N13->isChecked());
    ASSERT_TRUE(bed.search(1));
    ASSERT_TRUE(bed.selectAndRead(0));
    bed.tool->Edt_Name->setText(QStringLiteral("二号机"));
    ASSERT_TRUE(bed.clickAndWaitLog(bed.tool->But_SetName, QStringLiteral("          设置模块设备名称成功")));
    ToolWindow::trigger(bed.tool->N13);
    EXPECT_FALSE(bed.tool->N13->isChecked());
    // The socket no longer reports to the trace that is gone.
    ASSERT_TRUE(
        bed.clickAndWaitLog(bed.tool->But_NameCheck, QStringLiteral("          查询模块设备名称成功")));

    const std::vector<testbed::TraceRow> rows = testbed::DissectTrace(file);
    EXPECT_GE(CountRows(rows, testbed::SearchSent(bed.hostMac())), 1);
    EXPECT_EQ(testbed::MissingReadAll(rows, params, {{"lumiq.target_mac", mac}}, {{"lumiq.module_mac", mac}}),
              std::vector<std::string>{});
    EXPECT_EQ(CountRows(rows, testbed::SetSent("NAME", "二号机", mac)), 1);
    std::string remembered;
    std::getline(std::ifstream(scratch.file("lumiq-config/last-trace")), remembered);
    EXPECT_EQ(remembered, file);
}

} // namespace
} // namespace lumiq::test
