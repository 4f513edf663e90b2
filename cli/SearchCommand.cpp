// lumiq search: the modules that answer on every adapter, or on those named.

#include <CLI/CLI.hpp>

#include <iostream>

#include "cli/CommonOptions.h"
#include "cli/ExitStatus.h"
#include "cli/NetworkSearch.h"
#include "cli/Subcommands.h"

namespace lumiq::cli {
namespace {

class SearchCommand final : public Subcommand {
public:
    std::string_view name() const override { return "search"; }
    CLI::App& addTo(CLI::App& app, Request& request, OutputFlags& output) override {
        CLI::App* search =
            app.add_subcommand("search", "find the modules on every adapter, or on those named");
        AddSearchOptions(*search, request);
        AddOutputOptions(*search, output, "one CSV row per module found");
        search->footer(
            "Exit status: 0 a module answered (and --expect was met), 1 fewer than --expect, 2 bad usage,\n"
            "3 none answered or no network, 130 interrupted. See lumiq(1).");
        return *search;
    }
    ReportForm form() const override { return ReportForm::Found; }
    int run(const Request& request, Interrupt& interrupt, Report& report) const override {
        NetworkSearch network(request, interrupt);
        report.adapters = network.adapters();
        const SearchResult result = network.run(request.search);
        report.searchMs = result.elapsedMs;
        report.interrupted = result.interrupted;
        for (const fleet::FoundModule& module : result.found) {
            report.modules.push_back(RowOf(module, result.origin));
            if (module.duplicateMac || module.duplicateIp)
                std::cerr << "lumiq: warning: " << module.mac << " at " << report.modules.back().address
                          << " shares " << (module.duplicateMac ? "its MAC" : "its address")
                          << " with another module\n";
        }
        if (result.interrupted)
            return kExitInterrupted;
        const std::size_t found = result.found.size();
        std::cerr << found << (found == 1 ? " module" : " modules") << " found on " << report.adapters.size()
                  << (report.adapters.size() == 1 ? " adapter" : " adapters") << '\n';
        if (found == 0)
            return kExitUnusable;
        if (request.search.expect > 0 && found < static_cast<std::size_t>(request.search.expect)) {
            std::cerr << "lumiq: " << request.search.expect << " expected\n";
            return kExitFailed;
        }
        return kExitOk;
    }
};

} // namespace

std::unique_ptr<Subcommand> MakeSearchCommand() {
    return std::make_unique<SearchCommand>();
}

} // namespace lumiq::cli
