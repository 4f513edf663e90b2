#include <iostream>

#include "cli/Commands.h"
#include "cli/Confirmation.h"
#include "cli/EngineRun.h"
#include "cli/ExitStatus.h"
#include "cli/Interrupt.h"
#include "links/ComPortSerialLink.h"
#include "serial/ComPort.h"
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

class ClosedAtEnd {
public:
    explicit ClosedAtEnd(TComPort& port) : port_(port) {}
    ~ClosedAtEnd() {
        try {
            port_.Close();
        } catch (...) {
            // Done with the port either way.
        }
    }
    ClosedAtEnd(const ClosedAtEnd&) = delete;
    ClosedAtEnd& operator=(const ClosedAtEnd&) = delete;

private:
    TComPort& port_;
};

} // namespace

int RunOnSerialModule(const Request& request, Interrupt& interrupt, Report& report) {
    if (request.command == Command::Default && !request.yes &&
        !ConfirmDefault({"the module on " + request.serialPort}, interrupt)) {
        std::cerr << "lumiq: nothing restored\n";
        return interrupt.pending() ? kExitInterrupted : kExitFailed;
    }
    TComPort port;
    SetUp(port, request);
    try {
        port.Open();
    } catch (const EComPort& error) {
        throw Unusable(ComFailureInSystemWords(error, request.serialPort));
    } catch (const std::exception& error) {
        throw Unusable("cannot open the serial port " + request.serialPort + ": " + error.what());
    }
    ClosedAtEnd closer(port);
    ComPortSerialLink link(port, ComFailureWords::System);
    fleet::SerialTiming timing;
    if (request.timeoutMs > 0)
        timing.receiveWindowMs = request.timeoutMs;
    fleet::FleetEngine engine(link, EngineOptionsOf(request, {}), timing);
    fleet::Route route;
    route.adapter = request.serialPort;
    const fleet::Session& session = engine.add("", route, PlanOf(request));

    WorkLoop loop(interrupt);
    const fleet::Millis origin = Now();
    report.interrupted = !RunEngine(engine, request, loop);
    report.workMs = Now() - origin;

    ModuleRow row = RowOf(session, origin);
    // Over a serial link the module is known by what it reports.
    if (row.mac.empty())
        row.mac = ValueOf(session.values(), Param::Mac);
    if (request.command == Command::Set)
        FinishSetRow(row, session, request.values);
    report.modules.push_back(std::move(row));
    if (report.interrupted)
        return kExitInterrupted;
    return report.succeeded(report.modules.front()) ? kExitOk : kExitFailed;
}

} // namespace lumiq::cli
