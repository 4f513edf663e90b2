#pragma once
// Qt's own texts (the file dialog, the standard buttons of message boxes and
// dialogs) in the window's language rather than the system's, from Qt's
// translation catalogs (Debian: qt6-translations-l10n). Installed on the
// application object for as long as this lives.

#include <QLocale>
#include <QTranslator>

namespace lumiq {

class QtTranslations {
public:
    // Needs the application object. Without the catalog Qt's texts stay
    // English and loaded() is false.
    explicit QtTranslations(const QLocale& language);
    ~QtTranslations();
    QtTranslations(const QtTranslations&) = delete;
    QtTranslations& operator=(const QtTranslations&) = delete;

    bool loaded() const { return installed_; }
    // Where the catalog was looked for, to say so when it is missing.
    static QString Folder();

private:
    QTranslator translator_;
    bool installed_ = false;
};

} // namespace lumiq
