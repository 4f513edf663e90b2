#include "app/ThreadPause.h"

#include <QThread>

namespace lumiq {

void ThreadPause::pauseMs(int ms) {
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

} // namespace lumiq
