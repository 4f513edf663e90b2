// lumiq: the multi-module engine on the command line. Parses and checks the
// whole command line first (nothing is sent for bad input), runs one
// subcommand on a Qt Core loop, then writes the report to stdout.

#include <QCoreApplication>

#include <iostream>
#include <memory>

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Interrupt.h"
#include "cli/ReportOutput.h"
#include "trace/LastTrace.h"
#include "trace/PacketTrace.h"

namespace {

using namespace lumiq::cli;

// --trace: the file is made before any socket or port exists, so that it
// holds everything; when it cannot be made, nothing is sent.
std::unique_ptr<lumiq::PacketTrace> StartTrace(Request& request) {
    if (request.tracePath.empty()) return nullptr;
    std::unique_ptr<lumiq::PacketTrace> trace;
    try {
        trace = std::make_unique<lumiq::PacketTrace>(request.tracePath);
    } catch (const lumiq::TraceFileError& error) {
        throw UsageError(error.what());
    }
    request.tap = trace.get();
    lumiq::RememberLastTrace(request.tracePath);
    return trace;
}

int Run(const Request& request, Interrupt& interrupt, Report& report) {
    switch (request.command) {
    case Command::Adapters: return RunAdapters(request, report);
    case Command::Search: return RunSearch(request, interrupt, report);
    case Command::Doctor: return RunDoctor(request, report);
    case Command::SupportBundle: return RunSupportBundle(request, report);
    case Command::Apply: return RunApply(request, interrupt, report);
    default:
        return request.serialPort.empty() ? RunOnModules(request, interrupt, report)
                                          : RunOnSerialModule(request, interrupt, report);
    }
}

// On stderr for people, whatever stdout holds: the table names each failure
// already, the other formats are for programs.
void ReportFailures(const Report& report, Format format) {
    std::size_t failed = 0;
    for (const ModuleRow& row : report.modules) {
        if (report.succeeded(row)) continue;
        ++failed;
        if (format == Format::Table) continue;
        const std::string who = !row.mac.empty() ? row.mac : !row.address.empty() ? row.address : row.target;
        std::cerr << "lumiq: " << who << ": " << row.status << (row.detail.empty() ? "" : ": " + row.detail) << '\n';
    }
    if (failed > 0) std::cerr << "lumiq: " << failed << " of " << report.modules.size() << " modules did not succeed\n";
}

}  // namespace

int main(int argc, char** argv) {
    const ParsedCommandLine parsed = ParseCommandLine(argc, argv);
    if (!parsed.request) return parsed.exitStatus;
    Request request = *parsed.request;
    try {
        const std::unique_ptr<lumiq::PacketTrace> trace = StartTrace(request);
        QCoreApplication application(argc, argv);
        Interrupt interrupt;
        Report report;
        report.command = request.command;
        report.columns = ColumnsOf(request);
        report.exitStatus = Run(request, interrupt, report);
        WriteReport(report, request.format, std::cout);
        if (request.worksOnModules()) ReportFailures(report, request.format);
        if (report.interrupted) std::cerr << "lumiq: interrupted\n";
        if (trace && !trace->recording()) std::cerr << "lumiq: " << trace->failure() << '\n';
        return report.exitStatus;
    } catch (const UsageError& error) {
        std::cerr << "lumiq: " << error.what() << '\n';
        return kExitUsage;
    } catch (const Unusable& error) {
        std::cerr << "lumiq: " << error.what() << '\n';
        return kExitUnusable;
    } catch (const std::exception& error) {
        std::cerr << "lumiq: " << error.what() << '\n';
        return kExitFailed;
    }
}
