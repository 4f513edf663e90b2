#include "app/LanguageMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include "app/MessageBoxSeam.h"
#include "app/WindowText.h"

namespace lumiq {
namespace {

// Shown as it is in either language: whoever chose can read half of it.
constexpr const char* kAtNextStart = "重新启动本软件后使用新的语言。\n"
                                     "The window speaks the new language the next time it is started.";

} // namespace

LanguageMenu::LanguageMenu(QMenuBar& bar, QWidget& window, std::string configFolder, UiLanguage spoken,
                           Guard guard)
    : QObject(&window), window_(window), configFolder_(std::move(configFolder)), spoken_(spoken),
      guard_(std::move(guard)) {
    QMenu* menu = bar.addMenu(WindowText(QStringLiteral("语言(Language)")));
    menu->setObjectName(QStringLiteral("LanguageMenu"));
    menu->menuAction()->setObjectName(QStringLiteral("LanguageMenuItem"));
    auto* items = new QActionGroup(menu);
    items->setExclusive(true);
    for (QAction* item : {addItem(QStringLiteral("中文"), "LanguageChinese", UiLanguage::Chinese),
                          addItem(QStringLiteral("English"), "LanguageEnglish", UiLanguage::English)}) {
        items->addAction(item);
        menu->addAction(item);
    }
    items->actions().at(spoken_ == UiLanguage::English ? 1 : 0)->setChecked(true);
}

QAction* LanguageMenu::addItem(const QString& caption, const char* objectName, UiLanguage language) {
    auto* item = new QAction(caption, this);
    item->setObjectName(QString::fromLatin1(objectName));
    item->setCheckable(true);
    connect(item, &QAction::triggered, this,
            [this, language] { guard_([this, language] { this->choose(language); }); });
    return item;
}

void LanguageMenu::choose(UiLanguage language) {
    // A choice that cannot be stored is reported by the guard, not lost silently.
    SaveLanguageChoice(configFolder_, language);
    if (language != spoken_)
        ShowMessage(MessageRequest{kAtNextStart, "Language", MessageButtons::Ok}, &window_);
}

} // namespace lumiq
