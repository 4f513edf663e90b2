// Qt's own dialogs speak the window's language whatever the system's is:
// 保存通讯记录… opens a file dialog with Chinese buttons.

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QTimer>

#include "app/QtTranslations.h"
#include "tests/app/WindowFixture.h"

namespace lumiq::test {
namespace {

using WindowLanguageTest = WindowFixture;

TEST_F(WindowLanguageTest, TheTraceFileDialogHasChineseButtons) {
    const QtTranslations qtTexts(WindowLanguage());
    ASSERT_TRUE(qtTexts.loaded()) << "no Qt catalog in " << QtTranslations::Folder().toStdString();

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

} // namespace
} // namespace lumiq::test
