#pragma once
// The application object. Handlers guard themselves (HandlerGuard.h); notify
// is the last resort for anything that still throws inside an event, so that
// no exception ever crosses the Qt event loop.

#include <QApplication>

namespace lumiq {

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace lumiq
