#include "cli/Subcommands.h"

namespace lumiq::cli {

std::vector<std::unique_ptr<Subcommand>> AllSubcommands() {
    std::vector<std::unique_ptr<Subcommand>> all;
    all.push_back(MakeAdaptersCommand());
    all.push_back(MakeSearchCommand());
    all.push_back(MakeDoctorCommand());
    all.push_back(MakeBundleCommand());
    all.push_back(MakeReadCommand());
    all.push_back(MakeGetCommand());
    all.push_back(MakeSetCommand());
    all.push_back(MakeDefaultCommand());
    all.push_back(MakeApplyCommand());
    all.push_back(MakeCommissionCommand());
    return all;
}

} // namespace lumiq::cli
