// lumiq doctor: the known reasons why a search finds nothing on Linux, each
// looked at on this host as the tools would meet it. Nothing is sent.

#include <CLI/CLI.hpp>

#include "cli/CommonOptions.h"
#include "cli/ExitStatus.h"
#include "cli/Subcommands.h"
#include "doctor/AdapterCheck.h"
#include "doctor/FirewallCheck.h"
#include "doctor/SerialCheck.h"
#include "doctor/SocketCheck.h"

namespace lumiq::cli {
namespace {

class DoctorCommand final : public Subcommand {
public:
    std::string_view name() const override { return "doctor"; }
    CLI::App& addTo(CLI::App& app, Request&, OutputFlags& output) override {
        CLI::App* doctor =
            app.add_subcommand("doctor", "check this host for what keeps modules from answering");
        doctor->add_flag("--json", output.json, "one JSON document (see lumiq(1) for its schema)");
        doctor->footer("Exit status: 0 no check found a problem, 1 one did. Nothing is sent. See lumiq(1).");
        return *doctor;
    }
    ReportForm form() const override { return ReportForm::Findings; }
    // 1 when a check finds a problem.
    int run(const Request&, Interrupt&, Report& report) const override {
        report.adapters = ListAdapters();
        for (std::vector<doctor::Finding> found :
             {doctor::CheckHostAdapters(), doctor::CheckSockets(), doctor::CheckFirewalls()})
            report.findings.insert(report.findings.end(), found.begin(), found.end());
        report.findings.push_back(doctor::CheckSerial());
        return doctor::AnyProblem(report.findings) ? kExitFailed : kExitOk;
    }
};

} // namespace

std::unique_ptr<Subcommand> MakeDoctorCommand() {
    return std::make_unique<DoctorCommand>();
}

} // namespace lumiq::cli
