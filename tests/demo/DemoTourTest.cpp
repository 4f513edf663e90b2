// The tour the demo runs without a display: against the demo's module file
// it must end as the README shows it, and a step that cannot complete must
// end it with a failure that names the step, instead of a hang or a success.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QString>
#include <chrono>
#include <functional>
#include <string>

#include "app/DemoTour.h"
#include "base/GbkText.h"
#include "tests/e2e/harness/ToolWindow.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq::test {
namespace {

using namespace std::chrono_literals;
using testbed::SimLan;

const std::string kDemoModules = LUMIQ_DEMO_MODULES;

struct Outcome {
    int status = -1;
    QString failure;
    QStringList progress;
};

// Runs the tour to its end; onStep hears each step as it starts.
Outcome RunTour(ToolWindow& tool, DemoTour::Options options, std::chrono::milliseconds limit,
                const std::function<void(const QString&)>& onStep = {}) {
    Outcome outcome;
    DemoTour tour(tool.window(), options);
    QObject::connect(&tour, &DemoTour::progress, [&](const QString& line) {
        outcome.progress << line;
        if (onStep)
            onStep(line);
    });
    QObject::connect(&tour, &DemoTour::finished, [&](int status, const QString& failure) {
        outcome.status = status;
        outcome.failure = failure;
    });
    tour.start();
    EXPECT_TRUE(ToolWindow::waitFor([&] { return outcome.status >= 0; }, static_cast<int>(limit.count())))
        << outcome.progress.join('\n').toStdString();
    return outcome;
}

TEST(DemoTour, EndsWithEveryModuleListedAndTheFirstModulesFactoryValuesInThePanel) {
    SimLan lan({.modules = 0, .moduleFile = kDemoModules});
    ToolWindow tool;

    const Outcome outcome = RunTour(tool, {.modules = 3}, 60s);

    ASSERT_EQ(outcome.status, 0) << outcome.failure.toStdString();
    EXPECT_EQ(tool->ListBoxIP->count(), 3);
    // The tour renamed the first module, and the factory default undid it.
    const int first = tool->ListBoxIP->currentRow();
    ASSERT_EQ(first, 0);
    const auto params = lan.control().params(0);
    EXPECT_EQ(tool->Edt_Name->text().toStdString(), GbkToUtf8(params.at("NAME")));
    EXPECT_EQ(tool->Edt_Name->text(), QStringLiteral("车间一号机"));
    EXPECT_EQ(tool->Edt_IP->text().toStdString(), params.at("IP"));
    EXPECT_EQ(tool->LaVersion->text().toStdString(), params.at("VER"));
    EXPECT_EQ(tool.logCount(QStringLiteral("          设置模块设备名称成功")), 2); // alone, then in 一键写入
    EXPECT_TRUE(tool.messages.empty());
}

TEST(DemoTour, AStepThatCannotCompleteEndsTheTourWithAFailureNamingIt) {
    SimLan lan({.modules = 0, .moduleFile = kDemoModules});
    {
        // Fewer modules than the tour asks for: the search never completes.
        ToolWindow tool;
        const Outcome outcome = RunTour(tool, {.modules = 4, .stepDeadline = 1500ms}, 20s);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_TRUE(outcome.failure.contains(QStringLiteral("搜索模块"))) << outcome.failure.toStdString();
    }
    {
        // The module refuses the name: the failure line ends the tour at
        // once, long before the step's deadline.
        ToolWindow tool;
        const Outcome outcome =
            RunTour(tool, {.modules = 3, .stepDeadline = 60s}, 20s, [&](const QString& step) {
                if (step.contains(QStringLiteral("设备名称")))
                    lan.control().fault(0, "wrong 1");
            });
        EXPECT_EQ(outcome.status, 1);
        EXPECT_TRUE(outcome.failure.contains(QStringLiteral("设置模块设备名称失败")))
            << outcome.failure.toStdString();
    }
}

} // namespace
} // namespace lumiq::test
