#include "app/WindowLanguage.h"

#include <QCoreApplication>
#include <QtGlobal>
#include <cstdio>

namespace lumiq {

UiLanguage ChosenLanguage(const std::string& configFolder) {
    const QByteArray named = qgetenv("LUMIQ_LANGUAGE");
    if (!named.isEmpty()) {
        if (const std::optional<UiLanguage> language = LanguageNamed(named.toStdString()))
            return *language;
        std::fprintf(stderr, "lumiq-config: LUMIQ_LANGUAGE=%s is neither zh nor en: it is ignored\n",
                     named.constData());
    }
    return LoadLanguageChoice(configFolder);
}

WindowLanguage::WindowLanguage(UiLanguage language) : language_(language) {
    if (language == UiLanguage::English) {
        english_.emplace();
        QCoreApplication::installTranslator(&*english_);
        return;
    }
    qtTexts_.emplace(QLocale(QLocale::Chinese, QLocale::China));
    if (!qtTexts_->loaded())
        std::fprintf(stderr,
                     "lumiq-config: Qt's catalog qtbase_zh_CN.qm is not in %s: standard dialogs and buttons "
                     "stay English (Debian: qt6-translations-l10n)\n",
                     qPrintable(QtTranslations::Folder()));
}

} // namespace lumiq
