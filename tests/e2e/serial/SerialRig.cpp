#include "tests/e2e/serial/SerialRig.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include <cstdlib>
#include <ctime>

#include "serial/ComPort.h"
#include "serial/ComPortEnum.h"
#include "state/ToolState.h"

namespace lumiq::test {

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
    ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    ::unsetenv(name_);
}

TickStamps::TickStamps(QObject& timer, std::vector<double>& into) : into_(into) {
    timer.installEventFilter(this);
}

bool TickStamps::eventFilter(QObject*, QEvent* event) {
    // A QTimer turns its timer event into timeout(), which runs the handlers.
    if (event->type() == QEvent::Timer)
        into_.push_back(MonotonicMs());
    return false;
}

SerialRig::SerialRig(int portCount, std::vector<std::string> simArgs)
    : sim(portCount, std::move(simArgs)), ports(kExtraPortsVariable, sim.serialPorts()),
      sendStamps_(*tool->TimerRead, sendTicks), receiveStamps_(*tool->TimerPortRes, receiveTicks) {}

void SerialRig::clearTicks() {
    sendTicks.clear();
    receiveTicks.clear();
}

void SerialRig::switchToSerial(const SetupChoice& choice) {
    dialog.plan(choice);
    ToolWindow::trigger(tool->N8);
}

void SerialRig::switchToModulePort(const std::string& baudRate) {
    switchToSerial({port(0), baudRate});
    ASSERT_TRUE(dialog.planUsedUp());
    ASSERT_EQ(tool.state().LinkMode, LinkMode::Serial);
    ASSERT_TRUE(tool->ComPort->Connected());
}

} // namespace lumiq::test
