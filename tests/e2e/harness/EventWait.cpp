#include "tests/e2e/harness/EventWait.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QTimer>

namespace lumiq::test {

bool ServeUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done())
        return true;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop,
                     [&] {
                         if (done())
                             loop.quit();
                     });
    deadline.start(timeoutMs);
    loop.exec();
    return done();
}

} // namespace lumiq::test
