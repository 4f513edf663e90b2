// lumiq: the multi-module engine on the command line. Parses and checks the
// whole command line first (nothing is sent for bad input), runs one
// subcommand on a Qt Core loop, then writes the report to stdout. Every
// message on stderr goes out escaped (cli/TerminalText.h): many quote texts
// from modules and files.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>

#include <cerrno>
#include <iostream>
#include <memory>

#include "cli/AuditMetrics.h"
#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/Interrupt.h"
#include "cli/ReportOutput.h"
#include "cli/Subcommand.h"
#include "cli/TerminalText.h"
#include "trace/LastTrace.h"
#include "trace/PacketTrace.h"

namespace {

using namespace lumiq::cli;

// The trace would land among the report's bytes: `--trace /dev/stdout`.
bool IsStdout(const std::string& path) {
    struct stat file {};
    struct stat out {};
    return stat(path.c_str(), &file) == 0 && fstat(STDOUT_FILENO, &out) == 0 && file.st_dev == out.st_dev &&
           file.st_ino == out.st_ino;
}

// A FIFO opens for writing once a reader has it open (Wireshark, started
// beside lumiq, may take a while): say what the run waits for.
void NoteWaitingForReader(const std::string& path) {
    struct stat file {};
    if (stat(path.c_str(), &file) != 0 || !S_ISFIFO(file.st_mode))
        return;
    const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        close(fd);
        return;
    }
    if (errno == ENXIO)
        std::cerr << "lumiq: waiting for a program to read the FIFO " << path << '\n';
}

// --trace: the file is made before any socket or port exists, so that it
// holds everything; when it cannot be made, nothing is sent.
std::unique_ptr<lumiq::PacketTrace> StartTrace(Request& request) {
    if (request.tracePath.empty())
        return nullptr;
    if (IsStdout(request.tracePath))
        throw UsageError("--trace " + request.tracePath + " is where the report goes: name another file");
    NoteWaitingForReader(request.tracePath);
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

// On stderr for people, whatever stdout holds: the table names each failure
// already, the other formats are for programs.
void ReportFailures(const Report& report, Format format) {
    std::size_t failed = 0;
    for (const ModuleRow& row : report.modules) {
        if (Succeeded(row.status))
            continue;
        ++failed;
        if (format == Format::Table)
            continue;
        const std::string who = !row.mac.empty() ? row.mac : !row.address.empty() ? row.address : row.target;
        std::cerr << "lumiq: " << who << ": " << StatusName(row.status)
                  << (row.detail.empty() ? "" : ": " + row.detail) << '\n';
    }
    if (failed > 0)
        std::cerr << "lumiq: " << failed << " of " << report.modules.size() << " modules did not succeed\n";
}

Report ReportFor(const Request& request) {
    Report report;
    if (request.subcommand != nullptr) {
        report.command = request.subcommand->name();
        report.form = request.subcommand->form();
        report.columns = request.subcommand->columns(request);
    }
    report.dryRun = request.check;
    return report;
}

// apply --check --metrics: written however the run ended, so that monitoring
// sees the last run's time and whether it succeeded. A file that cannot be
// written makes the audit's status trouble.
void WriteMetrics(const Request& request, Report& report) {
    if (request.metricsPath.empty())
        return;
    try {
        WriteAuditMetrics(request.metricsPath, report);
    } catch (const std::exception& error) {
        std::cerr << "lumiq: the metrics were not written: " << error.what() << '\n';
        if (report.exitStatus == kExitOk || report.exitStatus == kExitFailed)
            report.exitStatus = kExitCheckTrouble;
    }
}

// --nagios: a run that ended early or was interrupted is UNKNOWN, as
// monitoring plugins say it.
int ExitStatusOf(const Request& request, const Report& report) {
    constexpr int kPluginUnknown = 3;
    if (request.format == Format::Nagios && (report.interrupted || !report.error.empty()))
        return kPluginUnknown;
    return report.exitStatus;
}

// A run that ended early still owes --json its one document (what the run had
// found so far, its exit status, and why it ended: the message on stderr),
// --nagios its status line, and --metrics its file.
int EndedEarly(const Request& request, Report& report, int exitStatus, const std::string& error) {
    report.exitStatus = exitStatus;
    report.error = error;
    WriteMetrics(request, report);
    if (request.format == Format::Json)
        WriteJson(report, std::cout);
    if (request.format == Format::Nagios)
        WriteNagios(report, std::cout);
    std::cout << std::flush;
    return ExitStatusOf(request, report);
}

} // namespace

int main(int argc, char** argv) {
    // A trace FIFO whose reader went away ends the trace, not the run.
    signal(SIGPIPE, SIG_IGN);
    const EscapedStderr escapedStderr;
    const ParsedCommandLine parsed = ParseCommandLine(argc, argv);
    if (parsed.refused) {
        Report report = ReportFor(*parsed.refused);
        return EndedEarly(*parsed.refused, report, parsed.exitStatus, parsed.error);
    }
    if (!parsed.request)
        return parsed.exitStatus;
    Request request = *parsed.request;
    Report report = ReportFor(request);
    bool written = false;
    const auto endEarly = [&](int status, const std::exception& error) {
        std::cerr << "lumiq: " << error.what() << '\n';
        if (written) {
            report.exitStatus = status;
            return status;
        }
        return EndedEarly(request, report, status, error.what());
    };
    try {
        const std::unique_ptr<lumiq::PacketTrace> trace = StartTrace(request);
        QCoreApplication application(argc, argv);
        Interrupt interrupt;
        report.exitStatus = request.subcommand->run(request, interrupt, report);
        WriteMetrics(request, report);
        written = true;
        if (request.format == Format::Csv && request.csvByteOrderMark)
            std::cout << "\xEF\xBB\xBF"; // identity tables and target lists read it back
        WriteReport(report, request.format, std::cout);
        if (request.subcommand->worksOnModules())
            ReportFailures(report, request.format);
        if (report.interrupted)
            std::cerr << "lumiq: interrupted\n";
        if (trace && !trace->recording())
            std::cerr << "lumiq: " << trace->failure() << '\n';
        return ExitStatusOf(request, report);
    } catch (const UsageError& error) {
        return endEarly(kExitUsage, error);
    } catch (const Unusable& error) {
        return endEarly(kExitUnusable, error);
    } catch (const std::exception& error) {
        return endEarly(kExitFailed, error);
    }
}
