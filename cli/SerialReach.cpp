#include "cli/SerialReach.h"

#include "cli/EngineRun.h"
#include "cli/ExitStatus.h"
#include "serial/EComPort.h"

namespace lumiq::cli {
namespace {

// The module's configuration port: the baud rate asked for, 8 data bits,
// 1 stop bit, no parity, no flow control, as the window sets its port up.
void SetUp(TComPort& port, const Request& request) {
    port.SetPort(request.serialPort);
    port.SetBaudRate(brCustom);
    port.SetCustomBaudRate(request.baud);
    port.SetDataBits(dbEight);
    port.SetStopBits(sbOneStopBit);
    port.Parity().SetBits(prNone);
    port.FlowControl().SetFlowControl(fcNone);
    // The engine reads at the end of each receive window: no line events needed.
    port.SetEvents(TComEvents());
    port.SetTap(request.tap);
}

} // namespace

SerialReach::SerialReach(const Request& request, Interrupt& interrupt)
    : request_(request), interrupt_(interrupt) {}

SerialReach::~SerialReach() {
    // The engine and the link go before the port they use.
    engine_.reset();
    link_.reset();
    if (!opened_)
        return;
    try {
        port_.Close();
    } catch (...) {
        // Done with the port either way.
    }
}

ReachedModules SerialReach::find(bool, Report&) {
    return ReachedModules{{Resolved{nullptr, nullptr, ModuleStatus::Ok, ""}}, false, false};
}

std::string SerialReach::nameOf(const Resolved&) const {
    return "the module on " + request_.serialPort;
}

void SerialReach::open() {
    SetUp(port_, request_);
    try {
        port_.Open();
    } catch (const EComPort& error) {
        throw Unusable(ComFailureInSystemWords(error, request_.serialPort));
    } catch (const std::exception& error) {
        throw Unusable("cannot open the serial port " + request_.serialPort + ": " + error.what());
    }
    opened_ = true;
    link_ = std::make_unique<ComPortSerialLink>(port_, ComFailureWords::System);
    fleet::SerialTiming timing;
    if (request_.timeoutMs > 0)
        timing.receiveWindowMs = request_.timeoutMs;
    engine_ = std::make_unique<fleet::FleetEngine>(*link_, EngineOptionsOf(request_, {}), timing);
}

const fleet::Session& SerialReach::add(const Resolved&, std::unique_ptr<fleet::Plan> plan) {
    fleet::Route route;
    route.adapter = request_.serialPort;
    return engine_->add("", route, std::move(plan));
}

bool SerialReach::run(std::string_view command) {
    WorkLoop loop(interrupt_);
    return RunEngine(*engine_, command, loop);
}

} // namespace lumiq::cli
