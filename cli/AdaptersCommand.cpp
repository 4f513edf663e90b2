// lumiq adapters: this host's network adapters, as a search would see them.

#include <CLI/CLI.hpp>

#include "cli/CommonOptions.h"
#include "cli/ExitStatus.h"
#include "cli/Subcommands.h"

namespace lumiq::cli {
namespace {

class AdaptersCommand final : public Subcommand {
public:
    std::string_view name() const override { return "adapters"; }
    CLI::App& addTo(CLI::App& app, Request&, OutputFlags& output) override {
        CLI::App* adapters = app.add_subcommand("adapters", "list this host's network adapters");
        AddOutputOptions(*adapters, output, "one CSV row per adapter");
        adapters->footer("Exit status: 0 adapters listed, 3 none, 2 bad usage. See lumiq(1).");
        return *adapters;
    }
    ReportForm form() const override { return ReportForm::Adapters; }
    int run(const Request&, Interrupt&, Report& report) const override {
        report.adapters = ListAdapters();
        return report.adapters.empty() ? kExitUnusable : kExitOk;
    }
};

} // namespace

std::unique_ptr<Subcommand> MakeAdaptersCommand() {
    return std::make_unique<AdaptersCommand>();
}

} // namespace lumiq::cli
