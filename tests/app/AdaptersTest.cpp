// The window's side of the core's interfaces: panel, module list, timers.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "app/QtEngineTimer.h"
#include "app/WidgetModuleList.h"
#include "tests/app/WindowFixture.h"

namespace lumiq::test {
namespace {

using PanelAdapterTest = WindowFixture;

TEST_F(PanelAdapterTest, ComboIndexFollowsTheShownText) {
    PanelView& panel = window->Panel();
    struct Case {
        const char* typed;
        int index;
    };
    const Case cases[] = {
        {"UDP", 2}, {"UDP_Server", 3}, {"udp", -1}, {"UDP ", -1}, {"abc", -1}, {"", -1}, {"TCP_Server", 0},
    };
    for (const Case& c : cases) {
        window->Cmb_Model->setEditText(QString::fromUtf8(c.typed));
        EXPECT_EQ(panel.itemIndex(Param::Mode), c.index) << c.typed;
        EXPECT_EQ(panel.text(Param::Mode), c.typed);
    }
    EXPECT_EQ(panel.itemIndex(Param::Ip), -1); // not a combo
}

TEST_F(PanelAdapterTest, SettingAnIndexShowsItsItemEvenOverTypedText) {
    PanelView& panel = window->Panel();
    window->Cmb_StopBit->setEditText(QStringLiteral("7")); // current index stays 1 in Qt
    panel.setItemIndex(Param::StopBits, 1);
    EXPECT_EQ(panel.text(Param::StopBits), "1");
    EXPECT_EQ(panel.itemIndex(Param::StopBits), 1);

    for (int outside : {-1, 4, 99, -7}) {
        panel.setItemIndex(Param::StopBits, 3);
        panel.setItemIndex(Param::StopBits, outside);
        EXPECT_EQ(panel.text(Param::StopBits), "") << outside;
        EXPECT_EQ(panel.itemIndex(Param::StopBits), -1) << outside;
        EXPECT_EQ(window->Cmb_StopBit->count(), 4);
    }
}

TEST_F(PanelAdapterTest, TextsReachEveryField) {
    PanelView& panel = window->Panel();
    const std::pair<Param, QWidget*> fields[] = {
        {Param::Mode, window->Cmb_Model},       {Param::Gateway, window->Edt_GATEWAY},
        {Param::Mask, window->Edt_MASK},        {Param::Ip, window->Edt_IP},
        {Param::Dip, window->Edt_DIP},          {Param::Port, window->Edt_Port},
        {Param::DPort, window->Edt_DPort},      {Param::Mac, window->Edt_MAC},
        {Param::Dhcp, window->DCHP_Model},      {Param::Name, window->Edt_Name},
        {Param::Baud, window->Cmb_Baud},        {Param::DataBits, window->Cmb_DataBit},
        {Param::StopBits, window->Cmb_StopBit}, {Param::Parity, window->Cmb_Parity},
        {Param::Version, window->LaVersion},
    };
    int n = 0;
    for (const auto& [field, widget] : fields) {
        const std::string text = "值" + std::to_string(n++);
        panel.setText(field, text);
        const QString shown = qobject_cast<QComboBox*>(widget)
                                  ? qobject_cast<QComboBox*>(widget)->currentText()
                                  : qobject_cast<QLineEdit*>(widget)->text();
        EXPECT_EQ(shown, QString::fromStdString(text)) << widget->objectName().toStdString();
        EXPECT_EQ(panel.text(field), text);
    }
}

TEST(ModuleListAdapter, LinesFollowTheRegistryAndSearchCanBeDisabled) {
    QListWidget list;
    QPushButton search;
    WidgetModuleList view(list, search);
    view.appendLine("192.168.0.7:00:1A:2B:3C:4D:5E");
    view.appendLine("192.168.0.9:B");
    view.replaceLine(1, "192.168.0.9:C");
    view.replaceLine(2, "no such line");
    view.replaceLine(-1, "no such line");
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.item(0)->text(), QStringLiteral("192.168.0.7:00:1A:2B:3C:4D:5E"));
    EXPECT_EQ(list.item(1)->text(), QStringLiteral("192.168.0.9:C"));
    view.setSearchEnabled(false);
    EXPECT_FALSE(list.isEnabled());
    EXPECT_FALSE(search.isEnabled());
    view.setSearchEnabled(true);
    EXPECT_TRUE(list.isEnabled() && search.isEnabled());
    view.clearLines();
    EXPECT_EQ(list.count(), 0);
}

TEST(EngineTimerAdapter, EnablingAgainKeepsTheCountAndANewIntervalRestartsIt) {
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer); // a coarse timer's remaining time moves its deadline
    QtEngineTimer engine(timer);
    EXPECT_FALSE(engine.enabled());
    engine.setInterval(10000);
    EXPECT_FALSE(timer.isActive()); // a new interval does not start a stopped timer
    engine.setEnabled(true);
    ASSERT_TRUE(timer.isActive());
    QThread::msleep(60);
    const int remaining = timer.remainingTime();
    engine.setEnabled(true);
    EXPECT_LE(timer.remainingTime(), remaining);
    EXPECT_LE(timer.remainingTime(), 9960);

    engine.setInterval(20000);
    EXPECT_GT(timer.remainingTime(), 19900);
    EXPECT_EQ(engine.interval(), 20000);

    engine.setEnabled(false);
    EXPECT_FALSE(timer.isActive());
    EXPECT_FALSE(engine.enabled());
}

// An enabled timer with interval 0 stays silent instead of firing on every
// pass of the event loop.
TEST(EngineTimerAdapter, IntervalZeroNeverFires) {
    QTimer timer;
    QtEngineTimer engine(timer);
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    engine.setInterval(0);
    engine.setEnabled(true);
    EXPECT_TRUE(engine.enabled());
    EXPECT_FALSE(timer.isActive());
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks, 0);
    engine.setInterval(5); // enabled all along: now it runs
    EXPECT_TRUE(timer.isActive());
    EXPECT_TRUE(QTest::qWaitFor([&ticks] { return ticks > 0; }, 5000));
}

} // namespace
} // namespace lumiq::test
