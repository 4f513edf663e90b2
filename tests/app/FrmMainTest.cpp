// The main window as built: components, captions, initial texts, items,
// size, caption, menu and the start-up lines of the information log.

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include "app/ApplicationTitle.h"
#include "tests/app/WindowFixture.h"

namespace lumiq::test {
namespace {

using FrmMainTest = WindowFixture;

QStringList LogLines(const QPlainTextEdit& memo) {
    QStringList lines;
    for (QTextBlock block = memo.document()->begin(); block.isValid(); block = block.next())
        lines << block.text();
    return lines;
}

TEST_F(FrmMainTest, StartsWithTheEightInstructionLinesWithoutTimeStamps) {
    const QStringList expected = {
        QStringLiteral("操作说明："),
        QStringLiteral("  1、搜索模块 按键：在TCP模式下可用，搜索到的模块将在左边的框内显示"),
        QStringLiteral("  2、读参数 按键：将模块所有可读参数均读取出显示"),
        QStringLiteral("  3、出厂设置 按键：将所有的参数恢复为出厂默认值"),
        QStringLiteral("  4、一键写入 按键：将所有的参数写入到模块中"),
        QStringLiteral("  5、每个参数都有独立的 查询 及 设置 的按键"),
        QStringLiteral("软件刚打开默认通讯方式为：UDP"),
        QString(),
    };
    EXPECT_EQ(LogLines(*window->MemoInfo), expected);
}

TEST_F(FrmMainTest, ButtonsCarryTheirNamesCaptionsAndRowNames) {
    struct Expected {
        QPushButton* TFrmMain::*member;
        const char* name;
        const char* caption;
        const char* accessibleName; // "" when the caption says it all
    };
    const Expected buttons[] = {
        {&TFrmMain::But_UDPFind, "But_UDPFind", "搜索模块 ", ""},
        {&TFrmMain::But_Read, "But_Read", "读参数", ""},
        {&TFrmMain::But_Default, "But_Default", "出厂设置", ""},
        {&TFrmMain::But_OneKey, "But_OneKey", "一键写入", ""},
        {&TFrmMain::But_Clear, "But_Clear", "清除显示", ""},
        {&TFrmMain::But_ReadVer, "But_ReadVer", "读固件版本号", ""},
        {&TFrmMain::But_ModelCheck, "But_ModelCheck", "查询", "查询 工作模式"},
        {&TFrmMain::But_Model, "But_Model", "设置", "设置 工作模式"},
        {&TFrmMain::But_GATEWAYCheck, "But_GATEWAYCheck", "查询", "查询 网关IP"},
        {&TFrmMain::But_GATEWAY, "But_GATEWAY", "设置", "设置 网关IP"},
        {&TFrmMain::But_MASKCheck, "But_MASKCheck", "查询", "查询 子网掩码"},
        {&TFrmMain::But_MASK, "But_MASK", "设置", "设置 子网掩码"},
        {&TFrmMain::But_IPCheck, "But_IPCheck", "查询", "查询 模块IP"},
        {&TFrmMain::But_IP, "But_IP", "设置", "设置 模块IP"},
        {&TFrmMain::But_DIPCheck, "But_DIPCheck", "查询", "查询 目的IP"},
        {&TFrmMain::But_DIP, "But_DIP", "设置", "设置 目的IP"},
        {&TFrmMain::But_PortCheck, "But_PortCheck", "查询", "查询 端口号"},
        {&TFrmMain::But_Port, "But_Port", "设置", "设置 端口号"},
        {&TFrmMain::But_DPortCheck, "But_DPortCheck", "查询", "查询 目的端口"},
        {&TFrmMain::But_DPort, "But_DPort", "设置", "设置 目的端口"},
        {&TFrmMain::But_MACCheck, "But_MACCheck", "查询", "查询 MAC地址"},
        {&TFrmMain::But_SetMAC, "But_SetMAC", "设置", "设置 MAC地址"},
        {&TFrmMain::But_DCHPCheck, "But_DCHPCheck", "查询", "查询 DCHP模式"},
        {&TFrmMain::But_SetDCHP, "But_SetDCHP", "设置", "设置 DCHP模式"},
        {&TFrmMain::But_NameCheck, "But_NameCheck", "查询", "查询 设备名称"},
        {&TFrmMain::But_SetName, "But_SetName", "设置", "设置 设备名称"},
        {&TFrmMain::But_UARTCheck, "But_UARTCheck", "查询", "查询 串口参数"},
        {&TFrmMain::But_SetUART, "But_SetUART", "设置", "设置 串口参数"},
    };
    for (const Expected& e : buttons) {
        SCOPED_TRACE(e.name);
        QPushButton* button = (*window).*e.member;
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(window->findChild<QPushButton*>(QString::fromLatin1(e.name)), button);
        EXPECT_EQ(button->text(), QString::fromUtf8(e.caption));
        if (*e.accessibleName) {
            EXPECT_EQ(button->accessibleName(), QString::fromUtf8(e.accessibleName));
        }
        EXPECT_TRUE(button->isEnabled());
    }
}

TEST_F(FrmMainTest, EditsHoldTheirInitialTexts) {
    const std::pair<const char*, const char*> edits[] = {
        {"Edt_GATEWAY", "192.168.1.1"},
        {"Edt_MASK", "192.168.0.1"},
        {"Edt_IP", "192.168.1.199"},
        {"Edt_DIP", "192.168.1.100"},
        {"Edt_Port", "5000"},
        {"Edt_DPort", "6000"},
        {"Edt_MAC", ""},
        {"Edt_Name", ""},
        {"LaVersion", ""},
    };
    for (const auto& [name, text] : edits) {
        SCOPED_TRACE(name);
        auto* edit = window->findChild<QLineEdit*>(QString::fromLatin1(name));
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), QString::fromUtf8(text));
    }
    EXPECT_FALSE(window->LaVersion->isEnabled());
    EXPECT_TRUE(window->Edt_Name->isEnabled());
}

TEST_F(FrmMainTest, CombosAreEditableWithTheirItemsAndInitialSelection) {
    struct Expected {
        const char* name;
        QStringList items;
        int selected;
    };
    const Expected combos[] = {
        {"Cmb_Model", {"TCP_Server", "TCP_Client", "UDP", "UDP_Server"}, 0},
        {"DCHP_Model", {QStringLiteral("关闭"), QStringLiteral("打开")}, 0},
        {"Cmb_Baud",
         {"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400", "56000", "57600",
          "115200", "128000", "256000"},
         6},
        {"Cmb_DataBit", {"8", "9"}, 0},
        {"Cmb_StopBit", {"0.5", "1", "1.5", "2"}, 1},
        {"Cmb_Parity", {"None", "Odd", "Even"}, 0},
    };
    for (const Expected& e : combos) {
        SCOPED_TRACE(e.name);
        auto* combo = window->findChild<QComboBox*>(QString::fromLatin1(e.name));
        ASSERT_NE(combo, nullptr);
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        EXPECT_EQ(items, e.items);
        EXPECT_EQ(combo->currentIndex(), e.selected);
        EXPECT_EQ(combo->currentText(), e.items[e.selected]);
        EXPECT_TRUE(combo->isEditable());
    }
}

TEST_F(FrmMainTest, TypingIntoAComboNeverAddsAnItem) {
    window->show();
    window->Cmb_Model->setFocus();
    window->Cmb_Model->lineEdit()->setText(QStringLiteral("Mode7"));
    QMetaObject::invokeMethod(window->Cmb_Model->lineEdit(), "returnPressed");
    EXPECT_EQ(window->Cmb_Model->count(), 4);
    EXPECT_EQ(window->Cmb_Model->currentText(), QStringLiteral("Mode7"));
}

TEST_F(FrmMainTest, OtherComponentsAreNamedAndInPlace) {
    EXPECT_EQ(window->findChild<QListWidget*>(QStringLiteral("ListBoxIP")), window->ListBoxIP);
    EXPECT_EQ(window->ListBoxIP->count(), 0);
    EXPECT_EQ(window->findChild<QPlainTextEdit*>(QStringLiteral("MemoInfo")), window->MemoInfo);
    EXPECT_FALSE(window->MemoInfo->isReadOnly()); // the operator may type into the log
    EXPECT_EQ(window->MemoInfo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    ASSERT_NE(window->findChild<QLabel*>(QStringLiteral("UrlLabel1")), nullptr);
    EXPECT_TRUE(window->UrlLabel1->isHidden());
    EXPECT_TRUE(window->UrlLabel1->text().contains(QString::fromLatin1(TFrmMain::kProductPageUrl)));

    struct Group {
        const char* name;
        const char* title;
    };
    for (const Group& g : {Group{"GroupTCPIP", "TCPIP参数设置区："}, Group{"GroupIP", "IP及端口号："},
                           Group{"GroupUART", "串口参数设置："}, Group{"GroupInfo", "信息显示："}}) {
        auto* group = window->findChild<QGroupBox*>(QString::fromLatin1(g.name));
        ASSERT_NE(group, nullptr) << g.name;
        EXPECT_EQ(group->title(), QString::fromUtf8(g.title));
        // What a screen reader says; a group inside another must not take the outer one's title.
        EXPECT_EQ(QAccessible::queryAccessibleInterface(group)->text(QAccessible::Name), group->title());
    }
    EXPECT_TRUE(window->findChild<QGroupBox*>(QStringLiteral("GroupIP"))->isAncestorOf(window->ListBoxIP));
    EXPECT_TRUE(window->findChild<QGroupBox*>(QStringLiteral("GroupUART"))->isAncestorOf(window->Cmb_Parity));
    EXPECT_TRUE(window->findChild<QGroupBox*>(QStringLiteral("GroupInfo"))->isAncestorOf(window->MemoInfo));
}

TEST_F(FrmMainTest, TimersAreStoppedWithTheirIntervals) {
    const std::tuple<QTimer*, const char*, int> timers[] = {
        {window->TimerPortRes, "TimerPortRes", 300},
        {window->TimerOut, "TimerOut", 4000},
    };
    for (const auto& [timer, name, interval] : timers) {
        EXPECT_EQ(window->findChild<QTimer*>(QString::fromLatin1(name)), timer);
        EXPECT_EQ(timer->interval(), interval) << name;
    }
    EXPECT_EQ(window->findChild<QTimer*>(QStringLiteral("TimerRead")), window->TimerRead);
    for (QTimer* timer : {window->TimerRead, window->TimerPortRes, window->TimerOut}) {
        EXPECT_FALSE(timer->isActive()) << timer->objectName().toStdString();
        EXPECT_FALSE(timer->isSingleShot());
    }
}

TEST_F(FrmMainTest, MenuItemsHaveTheirCaptionsAndShortcuts) {
    EXPECT_EQ(window->menuBar(), window->MainMenu1);
    EXPECT_EQ(window->MainMenu1->objectName(), QStringLiteral("MainMenu1"));
    EXPECT_EQ(window->N9->title(), QStringLiteral("文件"));
    EXPECT_EQ(window->N2->title(), QStringLiteral("通讯方式"));
    struct Item {
        QAction* action;
        const char* name;
        const char* caption;
        const char* shortcut;
        QWidget* menu;
    };
    const Item items[] = {
        {window->N10, "N10", "还原配置", "Ctrl+D", window->N9},
        {window->N11, "N11", "保存配置", "Ctrl+S", window->N9},
        {window->N12, "N12", "退出", "Ctrl+Q", window->N9},
        {window->N8, "N8", "串口通讯", "Ctrl+P", window->N2},
        {window->TCPIP1, "TCPIP1", "TCPIP通讯", "Ctrl+T", window->N2},
        {window->N3, "N3", "产品介绍", "", window->MainMenu1},
        {window->N4, "N4", "关于", "", window->MainMenu1},
    };
    for (const Item& item : items) {
        SCOPED_TRACE(item.name);
        EXPECT_EQ(window->findChild<QAction*>(QString::fromLatin1(item.name)), item.action);
        EXPECT_EQ(item.action->text(), QString::fromUtf8(item.caption));
        EXPECT_EQ(item.action->shortcut(), QKeySequence(QString::fromLatin1(item.shortcut)));
        EXPECT_TRUE(item.menu->actions().contains(item.action));
    }
    // The menu bar's own items, in order; the language comes last.
    const QList<QAction*> top = window->MainMenu1->actions();
    ASSERT_EQ(top.size(), 5);
    EXPECT_EQ(top[0], window->N9->menuAction());
    EXPECT_EQ(top[1], window->N2->menuAction());
    EXPECT_EQ(top[2], window->N3);
    EXPECT_EQ(top[3], window->N4);
    EXPECT_EQ(top[4]->text(), QStringLiteral("语言(Language)"));
}

TEST_F(FrmMainTest, CaptionIsExactAndBecomesTheApplicationTitle) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Lumiq V1.14  Tevaro-Team  "));
    EXPECT_EQ(ApplicationTitle(), window->windowTitle());
    // A display name would be appended to every window caption.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
}

TEST_F(FrmMainTest, ClientAreaStartsAt710By566BelowTheMenuWithNoMaximizeBox) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QWidget* client = window->centralWidget();
    EXPECT_EQ(client->size(), QSize(710, 566));
    EXPECT_EQ(client->y(), window->MainMenu1->geometry().bottom() + 1);
    EXPECT_EQ(window->minimumSize(), window->size());
    EXPECT_EQ(window->height(), 566 + window->MainMenu1->height());
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_EQ(window->pos(), QPoint(200, 50));
}

TEST_F(FrmMainTest, LeftGroupIs375WideAndTheLogGroupTakesTheRest) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    auto* left = window->findChild<QGroupBox*>(QStringLiteral("GroupTCPIP"));
    auto* right = window->findChild<QGroupBox*>(QStringLiteral("GroupInfo"));
    EXPECT_EQ(left->width(), 375);
    EXPECT_LT(left->geometry().right(), right->geometry().left());
    EXPECT_GE(left->height(), 550);
    EXPECT_GE(right->geometry().right(), 700);
}

TEST_F(FrmMainTest, GrowsWithTheLogTakingTheRoomButNeverBelowItsStartSize) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const QSize start = window->size();
    const QSize logAtStart = window->MemoInfo->size();
    auto* left = window->findChild<QGroupBox*>(QStringLiteral("GroupTCPIP"));
    const QRect leftAtStart = left->geometry();

    const QSize more(300, 200);
    window->resize(start + more);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->MemoInfo->size() == logAtStart + more; }))
        << window->MemoInfo->width() << "x" << window->MemoInfo->height();
    EXPECT_EQ(left->geometry(), leftAtStart);

    window->resize(400, 300);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->MemoInfo->size() == logAtStart; }));
    EXPECT_EQ(window->size(), start);
}

// Every visible control must lie wholly inside its parent and inside the
// client area: the window opens at its smallest size, where a clipped row
// would stay clipped.
TEST_F(FrmMainTest, NoVisibleControlIsClipped) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QWidget* client = window->centralWidget();
    const auto widgets = client->findChildren<QWidget*>();
    int checked = 0;
    for (QWidget* w : widgets) {
        if (!w->isVisible() || w->parentWidget() == nullptr || w->isWindow())
            continue;
        if (qobject_cast<QAbstractScrollArea*>(w->parentWidget()))
            continue; // viewport and scroll bars
        if (qobject_cast<QAbstractScrollArea*>(w->parentWidget()->parentWidget()))
            continue;
        if (qobject_cast<QComboBox*>(w->parentWidget()))
            continue; // the combo's own line edit
        SCOPED_TRACE(w->objectName().toStdString() + " " + w->metaObject()->className());
        EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry()));
        const QRect inClient(w->mapTo(client, QPoint(0, 0)), w->size());
        EXPECT_TRUE(client->rect().contains(inClient));
        // Captions fit: the style's wide minimum for buttons is not needed,
        // the text itself is.
        QString caption;
        int padding = 4; // a button's frame, a group's border
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            caption = button->text();
        if (auto* group = qobject_cast<QGroupBox*>(w))
            caption = group->title();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            caption = label->text();
            padding = 0;
        }
        EXPECT_LE(w->fontMetrics().horizontalAdvance(caption) + padding, w->width()) << caption.toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 60);
}

} // namespace
} // namespace lumiq::test
