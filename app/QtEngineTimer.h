#pragma once
// An engine timer over one of the window's QTimers.
//
// Like the timers the engine was designed for, an enabled timer with
// interval 0 never fires (a QTimer would fire on every loop pass); the
// adapter therefore keeps the enabled state itself and runs the QTimer only
// while enabled with a positive interval. Drive the QTimer through this
// adapter only.

#include "presenter/ControllerPorts.h"

class QTimer;

namespace lumiq {

class QtEngineTimer : public EngineTimer {
public:
    // Takes the QTimer's current interval and active state as its own.
    explicit QtEngineTimer(QTimer& timer);
    void setInterval(int ms) override;
    int interval() const override;
    void setEnabled(bool enabled) override;
    bool enabled() const override;

private:
    void restart();

    QTimer& timer_;
    bool enabled_;
};

} // namespace lumiq
