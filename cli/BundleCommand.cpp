// lumiq support-bundle: what a support request needs, in one archive that
// stays on this machine until the user sends it.

#include <CLI/CLI.hpp>
#include <QDateTime>

#include <filesystem>
#include <sstream>

#include "cli/ExitStatus.h"
#include "cli/ReportOutput.h"
#include "cli/Subcommands.h"
#include "doctor/ProgramOutput.h"
#include "doctor/ProgramVersions.h"
#include "doctor/TarGzArchive.h"
#include "state/InformationLog.h"
#include "trace/LastTrace.h"

namespace lumiq::cli {
namespace {

class Bundle {
public:
    Bundle(const std::string& path, const std::string& folder) : archive_(path, folder) {}

    void add(const std::string& name, const std::string& bytes) {
        archive_.addBytes(name, bytes);
        parts_.push_back(BundlePart{name, bytes.size()});
    }
    // A file that is gone, or never was, is left out.
    void addFileIfThere(const std::string& name, const std::string& path) {
        std::error_code error;
        if (path.empty() || !std::filesystem::is_regular_file(path, error))
            return;
        parts_.push_back(BundlePart{name, archive_.addFile(name, path)});
    }
    void addOutputOf(const std::string& name, const std::string& program,
                     const std::vector<std::string>& arguments) {
        const doctor::ProgramOutput output = doctor::RunProgramForOutput(program, arguments);
        if (output.exitStatus == 0)
            add(name, output.out);
    }
    std::vector<BundlePart> finish() {
        archive_.finish();
        return parts_;
    }

private:
    doctor::TarGzArchive archive_;
    std::vector<BundlePart> parts_;
};

class BundleCommand final : public Subcommand {
public:
    std::string_view name() const override { return "support-bundle"; }
    CLI::App& addTo(CLI::App& app, Request& request, OutputFlags&) override {
        CLI::App* bundle = app.add_subcommand(
            "support-bundle", "one archive for a support request: doctor's report, network, trace, log");
        bundle->add_option("--output,-o", request.bundlePath, "write the archive to FILE (.tar.gz)")
            ->type_name("FILE");
        bundle->footer(
            "Exit status: 0 the archive is written, 1 it could not be, 2 bad usage. See lumiq(1).");
        return *bundle;
    }
    ReportForm form() const override { return ReportForm::Bundle; }
    int run(const Request& request, Interrupt& interrupt, Report& report) const override {
        const std::string folder =
            "lumiq-support-" +
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")).toStdString();
        const std::string path = request.bundlePath.empty() ? folder + ".tar.gz" : request.bundlePath;
        // Told before the checks run; the archive looks again when it is made.
        if (const std::string refused = doctor::RefusedArchivePath(path); !refused.empty())
            throw UsageError(refused);

        const std::unique_ptr<Subcommand> checks = MakeDoctorCommand();
        Report findings;
        findings.command = checks->name();
        findings.form = checks->form();
        findings.exitStatus = checks->run(request, interrupt, findings);
        std::ostringstream text, json;
        WriteTable(findings, text);
        WriteJson(findings, json);

        Bundle bundle(path, folder);
        bundle.add("doctor.txt", text.str());
        bundle.add("doctor.json", json.str());
        bundle.addOutputOf("ip-addr.json", "ip", {"-j", "addr"});
        bundle.addOutputOf("ip-route.json", "ip", {"-j", "route"});
        bundle.add("versions.txt", doctor::ProgramVersions());
        const std::string trace = LastTracePath();
        bundle.addFileIfThere("last-trace/" + std::filesystem::path(trace).filename().string(), trace);
        bundle.addFileIfThere("information.log", InformationLogPath());
        report.bundleParts = bundle.finish();
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(path, error);
        report.bundlePath = error ? path : absolute.lexically_normal().string();
        return kExitOk;
    }
};

} // namespace

std::unique_ptr<Subcommand> MakeBundleCommand() {
    return std::make_unique<BundleCommand>();
}

} // namespace lumiq::cli
