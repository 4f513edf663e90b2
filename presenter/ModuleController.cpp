#include "presenter/ModuleController.h"

#include "presenter/CommandBindings.h"

#include <utility>

#include "presenter/EngineTiming.h"

namespace lumiq {

ModuleController::ModuleController(ToolState& state, ControllerPorts ports)
    : ports_(ports), link_(state, ports_.udp, ports_.serial, searchRoutes_), panel_(state, ports_, link_),
      interpreter_(state, ports_, panel_), engine_(state, ports_, link_, interpreter_),
      discovery_(state, ports_, interpreter_, panel_, searchRoutes_), linkSwitch_(state, ports_) {
    // The intervals the window's timers are created with (all disabled).
    ports_.timerPortRes.setInterval(kSerialReceiveWindowMs);
    ports_.timerOut.setInterval(kDipWatchMs);
}

void ModuleController::search(std::vector<SearchRoute> routes) {
    discovery_.search(std::move(routes));
}
void ModuleController::selectModule(int index) {
    discovery_.select(index);
}
void ModuleController::readAll() {
    panel_.readAll();
}
void ModuleController::oneKeyWrite() {
    panel_.oneKeyWrite();
}
void ModuleController::query(Param which) {
    panel_.query(which);
}
void ModuleController::set(Param which) {
    panel_.set(SetCommandOf(which));
}
void ModuleController::factoryDefault() {
    panel_.set(FactoryDefaultCommand());
}

void ModuleController::switchToSerial() {
    linkSwitch_.switchToSerial();
}
void ModuleController::switchToUdp() {
    linkSwitch_.switchToUdp();
}

void ModuleController::onTimerRead() {
    engine_.onTimerRead();
}
void ModuleController::onTimerPortRes() {
    engine_.onTimerPortRes();
}
void ModuleController::onTimerOut() {
    engine_.onTimerOut();
}

void ModuleController::onDatagram(std::uint32_t peerIp, std::uint16_t peerPort, const char* data,
                                  std::size_t length, unsigned arrivalAdapter) {
    discovery_.onDatagram(peerIp, peerPort, data, length, arrivalAdapter);
}

void ModuleController::interpretReply(std::string_view payload) {
    interpreter_.interpret(payload);
}

std::uint8_t ModuleController::retryCount() const {
    return interpreter_.retryCount();
}

} // namespace lumiq
