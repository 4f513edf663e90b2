// lumiq read: every parameter and the firmware version of each module.

#include "cli/ModuleSubcommand.h"
#include "cli/Subcommands.h"

namespace lumiq::cli {
namespace {

class ReadCommand final : public ModuleSubcommand {
public:
    ReadCommand() : ModuleSubcommand("read", "read every parameter and the firmware version", "TARGETS") {}

    std::unique_ptr<fleet::Plan> planFor(const Request&, const fleet::FoundModule*) const override {
        return fleet::ReadAllPlan();
    }
};

} // namespace

std::unique_ptr<Subcommand> MakeReadCommand() {
    return std::make_unique<ReadCommand>();
}

} // namespace lumiq::cli
