// The window's language: Chinese, with Qt's own dialogs in Chinese, whatever
// the system's language is; English when chosen, for every text the window
// shows, its own and the ones its logic composes.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "app/WindowLanguage.h"
#include "app/WindowText.h"
#include "tests/app/MessageRecorder.h"
#include "tests/app/WindowFixture.h"

namespace lumiq::test {
namespace {

using WindowLanguageTest = WindowFixture;

TEST_F(WindowLanguageTest, TheTraceFileDialogHasChineseButtons) {
    const WindowLanguage language(UiLanguage::Chinese);
    ASSERT_TRUE(language.qtTextsFound()) << "no Qt catalog in " << QtTranslations::Folder().toStdString();

    QStringList buttons;
    QTimer watch; // the dialog runs its own loop: look for it from there
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        watch.stop();
        for (QAbstractButton* button : dialog->findChild<QDialogButtonBox*>()->buttons())
            buttons << button->text();
        dialog->reject();
    });
    watch.start();
    window->N13->trigger();

    EXPECT_TRUE(buttons.contains(QStringLiteral("保存"))) << buttons.join(u'|').toStdString();
    EXPECT_TRUE(buttons.contains(QStringLiteral("取消"))) << buttons.join(u'|').toStdString();
}

TEST_F(WindowLanguageTest, EnglishIsChosenKeptAndSpokenWhileChineseStaysTheDefault) {
    MessageRecorder messages;
    const std::string configFolder = window->Services().settings.ConfigDir();
    EXPECT_EQ(ChosenLanguage(configFolder), UiLanguage::Chinese);
    window->findChild<QAction*>(QStringLiteral("LanguageEnglish"))->trigger();
    ASSERT_EQ(messages.messages.size(), 1u); // the new language comes with the next start
    EXPECT_EQ(ChosenLanguage(configFolder), UiLanguage::English);
    qputenv("LUMIQ_LANGUAGE", "zh");
    EXPECT_EQ(ChosenLanguage(configFolder), UiLanguage::Chinese);
    qunsetenv("LUMIQ_LANGUAGE");
    EXPECT_EQ(window->But_Read->text(), QStringLiteral("读参数"));

    {
        const WindowLanguage english(UiLanguage::English);
        TFrmMain englishWindow(
            FrmMainServices{state, window->Services().settings, {}, {}, UiLanguage::English});
        EXPECT_EQ(englishWindow.But_Read->text(), QStringLiteral("Read all"));
        EXPECT_EQ(englishWindow.But_IPCheck->accessibleName(), QStringLiteral("Query Module IP"));
        EXPECT_EQ(englishWindow.DCHP_Model->itemText(1), QStringLiteral("On"));
        EXPECT_TRUE(englishWindow.MemoInfo->toPlainText().startsWith(QStringLiteral("How to use:")));

        englishWindow.But_Read->click(); // no module chosen
        ASSERT_EQ(messages.messages.size(), 2u);
        EXPECT_EQ(messages.messages.back().text, "Select an IP first!");
        EXPECT_EQ(messages.messages.back().caption, "Notice");
        // Composed around values, which are kept as they are, "%2" in a name too.
        EXPECT_EQ(
            WindowText(QStringLiteral("  两模块的IP地址相同，IP地址为：10.0.0.7，MAC地址分别为：a%2      b")),
            QStringLiteral("  Two modules have the same IP address: 10.0.0.7. Their MACs: a%2      b"));
        EXPECT_EQ(WindowText(std::string("端口 /dev/ttyS0 已打开或不存在")),
                  QStringLiteral("Port /dev/ttyS0 is already open or does not exist"));
    }
    EXPECT_EQ(WindowText(QStringLiteral("读参数")), QStringLiteral("读参数"));
}

} // namespace
} // namespace lumiq::test
