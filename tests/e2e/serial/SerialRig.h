#pragma once
// The real main window with simulated modules on pseudo-terminals: the
// terminals reach the window's port listing through LUMIQ_SERIAL_PORTS, and
// the setup dialog is answered by a SetupDialogDriver.

#include <QObject>

#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/harness/ToolWindow.h"
#include "tests/e2e/serial/SetupDialogDriver.h"
#include "tests/support/simbed/SimPty.h"

namespace lumiq::test {

using testbed::MonotonicMs;

// Sets an environment variable for its lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
};

// Stamps every tick of a timer as it arrives, ahead of the timer's handlers.
class TickStamps : public QObject {
public:
    TickStamps(QObject& timer, std::vector<double>& into);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<double>& into_;
};

class SerialRig {
public:
    explicit SerialRig(int ports = 1, std::vector<std::string> simArgs = {});

    const std::string& port(int index = 0) const { return sim.devicePath(index); }
    // "串口通讯" with `choice` made in the setup dialog. The menu handler runs
    // the dialog in its own loop, so the switch is over when this returns.
    void switchToSerial(const SetupChoice& choice);
    // "串口通讯" on port 0 at `baudRate`; fails the test unless the window
    // ends up on the serial link.
    void switchToModulePort(const std::string& baudRate = "9600");

    // Frames the simulator received since the last clearFrames(), oldest first.
    std::vector<testbed::FrameRecord> receivedFrames() { return sim.control().received(); }
    std::vector<testbed::FrameRecord> allFrames() { return sim.control().frames(); }
    void clearFrames() { sim.control().clearLog(); }

    // Ticks of the window's sender (TimerRead) and of its receive window
    // (TimerPortRes), in MonotonicMs, taken as each tick arrives, before its
    // handler sends or reads.
    std::vector<double> sendTicks;
    std::vector<double> receiveTicks;
    void clearTicks();

    testbed::SimPty sim;
    ScopedEnv ports;
    SetupDialogDriver dialog;
    ToolWindow tool;

private:
    TickStamps sendStamps_;
    TickStamps receiveStamps_;
};

} // namespace lumiq::test
