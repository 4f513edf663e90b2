#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace lumiq {

QtTranslations::QtTranslations(const QLocale& language) {
    // qtbase holds every text of the widgets the window uses.
    installed_ = translator_.load(language, QStringLiteral("qtbase"), QStringLiteral("_"), Folder()) &&
                 QCoreApplication::installTranslator(&translator_);
}

QtTranslations::~QtTranslations() {
    if (installed_)
        QCoreApplication::removeTranslator(&translator_);
}

QString QtTranslations::Folder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

} // namespace lumiq
