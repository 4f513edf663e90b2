#include "app/GuardedApplication.h"

#include <QWidget>

#include "app/HandlerGuard.h"

namespace lumiq {

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportException(std::current_exception(), QApplication::activeWindow());
        return false;
    }
}

} // namespace lumiq
