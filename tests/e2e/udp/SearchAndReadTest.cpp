// A search lists every simulated module; selecting one fills the panel with
// exactly what the module holds.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QLineEdit>
#include <QListWidget>

#include "tests/e2e/harness/ToolWindow.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq::test {
namespace {

using testbed::SimLan;

TEST(SearchAndRead, ASearchListsEveryModuleAndASelectionFillsThePanel) {
    SimLan lan({.modules = 3});
    ToolWindow tool;
    ASSERT_EQ(tool.state().LocalIpText, lan.hostAddress());

    ToolWindow::click(tool->But_UDPFind);
    ASSERT_TRUE(ToolWindow::waitFor([&] { return tool->ListBoxIP->count() == 3; }));

    tool.clickModule(1);
    ASSERT_TRUE(tool.waitForLog(QStringLiteral("版本号为： V2.0")));
    const auto params = lan.control().params(1);
    EXPECT_EQ(tool->Edt_IP->text().toStdString(), params.at("IP"));
    EXPECT_EQ(tool->Edt_Port->text().toStdString(), params.at("PORT"));
    EXPECT_TRUE(tool.messages.empty());
}

}  // namespace
}  // namespace lumiq::test
