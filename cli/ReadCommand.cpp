// lumiq read: every parameter and the firmware version of each module; the
// table and the CSV show the columns --columns chooses.

#include <CLI/CLI.hpp>

#include <algorithm>

#include "cli/ModuleSubcommand.h"
#include "cli/Subcommands.h"

namespace lumiq::cli {
namespace {

// "mode,ip,name": the names, each once, in the order given.
std::vector<std::string> ColumnNames(const std::string& list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        std::string name = list.substr(start, comma - start);
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
        start = comma + 1;
    }
    return names;
}

std::string UnknownColumn(const std::string& list) {
    const std::vector<std::string>& valid = ChoosableColumns();
    for (const std::string& name : ColumnNames(list)) {
        if (std::find(valid.begin(), valid.end(), name) == valid.end())
            return "unknown column \"" + name + "\"; the columns are " + Joined(valid, ",");
    }
    return {};
}

class ReadCommand final : public ModuleSubcommand {
public:
    ReadCommand() : ModuleSubcommand("read", "read every parameter and the firmware version", "TARGETS") {}

    std::unique_ptr<fleet::Plan> planFor(const Request&, const fleet::FoundModule*) const override {
        return fleet::ReadAllPlan();
    }

    int run(const Request& request, Interrupt& interrupt, Report& report) const override {
        if (!columns_.empty())
            report.chosenColumns = ColumnNames(columns_);
        return ModuleSubcommand::run(request, interrupt, report);
    }

protected:
    void addOwnOptions(CLI::App& command, Request&) override {
        command
            .add_option("--columns", columns_,
                        "the table's and the CSV's columns, comma-separated: parameter keys, address, "
                        "adapter, status, detail")
            ->type_name("LIST")
            ->check(UnknownColumn);
    }

private:
    std::string columns_;
};

} // namespace

std::unique_ptr<Subcommand> MakeReadCommand() {
    return std::make_unique<ReadCommand>();
}

} // namespace lumiq::cli
