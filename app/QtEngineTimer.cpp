#include "app/QtEngineTimer.h"

#include <QTimer>

namespace lumiq {

QtEngineTimer::QtEngineTimer(QTimer& timer) : timer_(timer), enabled_(timer.isActive()) {}

void QtEngineTimer::setInterval(int ms) {
    timer_.setInterval(ms < 0 ? 0 : ms);
    if (enabled_)
        restart(); // the count starts again from now
}

int QtEngineTimer::interval() const {
    return timer_.interval();
}

void QtEngineTimer::setEnabled(bool enabled) {
    if (enabled == enabled_)
        return; // enabling a running timer must not restart its count
    enabled_ = enabled;
    if (enabled_)
        restart();
    else
        timer_.stop();
}

bool QtEngineTimer::enabled() const {
    return enabled_;
}

void QtEngineTimer::restart() {
    if (timer_.interval() > 0)
        timer_.start();
    else
        timer_.stop();
}

} // namespace lumiq
