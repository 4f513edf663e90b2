// What the window's own menu items and buttons do: About, product page,
// clear, close and exit, choosing a line of the module list, and the
// standard error report around handlers.

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "app/ApplicationTitle.h"
#include "state/ModuleRegistry.h"
#include "tests/app/MessageRecorder.h"
#include "tests/app/WindowFixture.h"

namespace lumiq::test {
namespace {

using WindowActionsTest = WindowFixture;

QList<TFrmAbout*> AboutWindows() {
    QList<TFrmAbout*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* about = qobject_cast<TFrmAbout*>(w))
            found << about;
    return found;
}

void DeleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(WindowActionsTest, AboutShowsOneWindowAndANewOneAfterClosing) {
    window->N4->trigger();
    window->N4->trigger();
    ASSERT_EQ(AboutWindows().size(), 1);
    TFrmAbout* first = window->FrmAbout;
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle(), QStringLiteral("关于"));
    EXPECT_EQ(first->parent(), nullptr);
    const Qt::WindowFlags flags = first->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    first->close();
    DeleteClosedWindows();
    EXPECT_TRUE(window->FrmAbout.isNull());
    EXPECT_TRUE(AboutWindows().isEmpty());

    window->N4->trigger();
    ASSERT_EQ(AboutWindows().size(), 1);
    EXPECT_FALSE(window->FrmAbout.isNull());
    EXPECT_TRUE(window->FrmAbout->isVisible());
}

TEST_F(WindowActionsTest, AboutStillOpenGoesWithTheWindow) {
    window->N4->trigger();
    ASSERT_EQ(AboutWindows().size(), 1);
    window.reset();
    EXPECT_TRUE(AboutWindows().isEmpty());
}

TEST_F(WindowActionsTest, ProductPageOpensOneAddressAndAFailureShowsNothing) {
    MessageRecorder boxes;
    openSucceeds = false;
    window->N3->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(QString::fromLatin1(TFrmMain::kProductPageUrl)));
    EXPECT_TRUE(opened[0].isValid());
    EXPECT_TRUE(boxes.messages.empty());
}

TEST_F(WindowActionsTest, ClearEmptiesTheLogAndKeepsTheVersion) {
    window->LaVersion->setText(QStringLiteral("V2.3"));
    window->AddLogLine(QStringLiteral("设置模块IP地址"));
    window->But_Clear->click();
    EXPECT_TRUE(window->MemoInfo->toPlainText().isEmpty());
    EXPECT_EQ(window->LaVersion->text(), QStringLiteral("V2.3"));
}

TEST_F(WindowActionsTest, ClosingRunsTheLinkShutdownOnce) {
    int shutdowns = 0;
    window->LinkShutdown = [&shutdowns] { ++shutdowns; };
    window->show();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(shutdowns, 1);
}

// Runs the application's event loop until the program ends; false when it
// had not ended after five seconds.
bool ProgramEnds() {
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    watchdog.start(5000);
    return QCoreApplication::exec() == 0;
}

TEST_F(WindowActionsTest, ClosingTheWindowEndsTheProgramEvenWithAboutOpen) {
    window->show();
    window->N4->trigger();
    QTimer::singleShot(0, window.get(), &QWidget::close);
    EXPECT_TRUE(ProgramEnds());
}

TEST_F(WindowActionsTest, ExitEndsTheProgramAtOnceWithoutTheShutdown) {
    int shutdowns = 0;
    window->LinkShutdown = [&shutdowns] { ++shutdowns; };
    window->show();
    QTimer::singleShot(0, window->N12, &QAction::trigger);
    EXPECT_TRUE(ProgramEnds());
    EXPECT_EQ(shutdowns, 0);
    EXPECT_TRUE(window->isVisible()); // not closed: the program simply ends
}

TEST_F(WindowActionsTest, MenuShortcutsReachTheirHandlers) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier); // 保存配置
    EXPECT_TRUE(QFile::exists(QString::fromStdString(CfgPath())));

    window->Edt_IP->setText(QStringLiteral("10.0.0.9"));
    QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier); // 还原配置
    EXPECT_EQ(window->Edt_IP->text(), QStringLiteral("192.168.1.199"));
}

TEST_F(WindowActionsTest, ALineChosenByMouseOrKeyboardIsSelectedAndReadOncePerChoice) {
    for (const std::uint32_t ip : {0x0100000au, 0x0200000au, 0x0300000au})
        window->ModuleList().appendLine(AddModule(state, ip, 5000, "00:1a:2b:3c:4d:5e", nullptr));
    window->show();
    QCoreApplication::processEvents();
    QListWidget* list = window->ListBoxIP;
    QWidget* lines = list->viewport();
    const QPoint second = list->visualItemRect(list->item(1)).center();
    // A read starts the read-all chain at the link test (42); 100 stands
    // for "no read since".
    const auto reads = [this](const std::function<void()>& act) {
        state.PendingCommand = 100;
        act();
        return state.PendingCommand == 42;
    };
    // The press on another line selects and reads it; its release reads nothing more.
    EXPECT_TRUE(reads([&] { QTest::mousePress(lines, Qt::LeftButton, {}, second); }));
    EXPECT_EQ(state.SelectedModule, 1);
    EXPECT_FALSE(reads([&] { QTest::mouseRelease(lines, Qt::LeftButton, {}, second); }));
    // A click on the selected line reads it again.
    EXPECT_TRUE(reads([&] { QTest::mouseClick(lines, Qt::LeftButton, {}, second); }));
    EXPECT_TRUE(reads([&] { QTest::keyClick(list, Qt::Key_Down); }));
    EXPECT_EQ(state.SelectedModule, 2);
    EXPECT_FALSE(reads([&] { QTest::keyClick(list, Qt::Key_End); })); // already at the end
}

// The standard error report: the text of whatever a handler throws is shown
// in a stop box captioned with the application title, and the program goes on.
TEST_F(WindowActionsTest, AHandlerErrorIsShownAndTheProgramCarriesOn) {
    struct Case {
        const char* what;
        std::function<void()> thrower;
        const char* text;
    };
    const Case cases[] = {
        {"std::exception", [] { throw std::runtime_error("Range check error"); }, "Range check error"},
        {"anything else", [] { throw 42; }, "Unknown exception"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MessageRecorder boxes;
        window->Services().openUrl = [&c](const QUrl&) -> bool {
            c.thrower();
            return true;
        };
        window->N3->trigger();
        ASSERT_EQ(boxes.messages.size(), 1u);
        EXPECT_EQ(boxes.messages[0].text, c.text);
        EXPECT_EQ(QString::fromStdString(boxes.messages[0].caption), ApplicationTitle());
        EXPECT_EQ(boxes.messages[0].caption, "Lumiq V1.14  Tevaro-Team  ");
        EXPECT_EQ(boxes.messages[0].icon, MessageIcon::Stop);
        EXPECT_EQ(boxes.messages[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(boxes.parents[0], window.get());

        // The program carries on: the next handler runs normally.
        window->But_Clear->click();
        EXPECT_TRUE(window->MemoInfo->toPlainText().isEmpty());
    }
}

TEST_F(WindowActionsTest, AFailingShutdownIsShownAndTheWindowStillCloses) {
    MessageRecorder boxes;
    window->LinkShutdown = [] { throw std::runtime_error("socket gone"); };
    window->show();
    EXPECT_TRUE(window->close());
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].text, "socket gone");
    EXPECT_FALSE(window->isVisible());
}

} // namespace
} // namespace lumiq::test
