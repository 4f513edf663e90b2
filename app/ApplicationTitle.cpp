#include "app/ApplicationTitle.h"

#include <QCoreApplication>

namespace lumiq {
namespace {

QString& StoredTitle() {
    static QString title;
    return title;
}

} // namespace

QString ApplicationTitle() {
    if (!StoredTitle().isEmpty())
        return StoredTitle();
    return QCoreApplication::applicationName();
}

void SetApplicationTitle(const QString& title) {
    StoredTitle() = title;
}

} // namespace lumiq
