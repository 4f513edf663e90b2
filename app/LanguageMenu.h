#pragma once
// 语言(Language): the window's language for the next start, 中文 or English,
// each named in its own language so that either reader finds it. The choice
// is kept in language.ini of the user's configuration folder; the window
// built now keeps its texts, and says (in both languages) when the new one
// comes.

#include <QObject>
#include <functional>
#include <string>

#include "state/LanguageChoice.h"

class QAction;
class QMenuBar;
class QWidget;

namespace lumiq {

class LanguageMenu : public QObject {
public:
    // Runs a handler inside the window's standard error report.
    using Guard = std::function<void(const std::function<void()>& handler)>;

    // Adds the menu at the end of `bar`; `spoken` is the language the window
    // was built in.
    LanguageMenu(QMenuBar& bar, QWidget& window, std::string configFolder, UiLanguage spoken, Guard guard);

private:
    QAction* addItem(const QString& caption, const char* objectName, UiLanguage language);
    void choose(UiLanguage language);

    QWidget& window_;
    std::string configFolder_;
    UiLanguage spoken_;
    Guard guard_;
};

} // namespace lumiq
