#pragma once
// The language the window speaks, for as long as this lives: Chinese, with
// Qt's own texts (file dialogs, standard buttons) from Qt's Chinese catalog,
// or English, with the window's texts translated and Qt's left as they are.
// Needs the application object.

#include <optional>
#include <string>

#include "app/QtTranslations.h"
#include "app/WindowTranslator.h"
#include "state/LanguageChoice.h"

namespace lumiq {

// LUMIQ_LANGUAGE ("zh" or "en") when it is set to one of them, else the
// choice kept in the configuration folder, else Chinese. The system's locale
// plays no part: the window stays Chinese for everyone who chose nothing.
UiLanguage ChosenLanguage(const std::string& configFolder);

class WindowLanguage {
public:
    explicit WindowLanguage(UiLanguage language);
    WindowLanguage(const WindowLanguage&) = delete;
    WindowLanguage& operator=(const WindowLanguage&) = delete;

    UiLanguage language() const { return language_; }
    // False when Chinese is spoken but Qt's catalog was not found.
    bool qtTextsFound() const { return !qtTexts_ || qtTexts_->loaded(); }

private:
    UiLanguage language_;
    std::optional<QtTranslations> qtTexts_;
    std::optional<WindowTranslator> english_;
};

} // namespace lumiq
