// lumiq default: restore the factory values, then read them back, once the
// user has confirmed it.

#include <unistd.h>

#include <CLI/CLI.hpp>

#include <iostream>

#include "cli/Confirmation.h"
#include "cli/Interrupt.h"
#include "cli/ModuleSubcommand.h"
#include "cli/Subcommands.h"

namespace lumiq::cli {
namespace {

class DefaultCommand final : public ModuleSubcommand {
public:
    DefaultCommand()
        : ModuleSubcommand("default", "restore the factory values, then read them back", "TARGETS") {}

    bool writes(const Request&) const override { return true; }
    std::optional<int> beforeWork(const Request& request, Interrupt& interrupt,
                                  const ModulesToWork& work) const override {
        if (request.yes || work.names.empty() || ConfirmDefault(work.names, interrupt))
            return std::nullopt;
        std::cerr << "lumiq: nothing restored\n";
        return interrupt.pending() ? kExitInterrupted : kExitFailed;
    }
    std::unique_ptr<fleet::Plan> planFor(const Request&, const fleet::FoundModule*) const override {
        return fleet::DefaultPlan();
    }

protected:
    void addOwnOptions(CLI::App& command, Request& request) override {
        command.add_flag("--yes,-y", request.yes, "do not ask for confirmation");
    }
    void checkAsked(const Request& request) const override {
        if (!request.yes && isatty(STDIN_FILENO) == 0)
            throw UsageError(
                "default restores every parameter of a module: confirm it on a terminal, or give --yes");
    }
};

} // namespace

std::unique_ptr<Subcommand> MakeDefaultCommand() {
    return std::make_unique<DefaultCommand>();
}

} // namespace lumiq::cli
