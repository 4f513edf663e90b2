#pragma once
// Every subcommand of lumiq; each file of one defines its Make function.

#include <memory>
#include <vector>

#include "cli/Subcommand.h"

namespace lumiq::cli {

std::unique_ptr<Subcommand> MakeAdaptersCommand();
std::unique_ptr<Subcommand> MakeSearchCommand();
std::unique_ptr<Subcommand> MakeDoctorCommand();
std::unique_ptr<Subcommand> MakeBundleCommand();
std::unique_ptr<Subcommand> MakeReadCommand();
std::unique_ptr<Subcommand> MakeGetCommand();
std::unique_ptr<Subcommand> MakeSetCommand();
std::unique_ptr<Subcommand> MakeDefaultCommand();
std::unique_ptr<Subcommand> MakeApplyCommand();
std::unique_ptr<Subcommand> MakeCommissionCommand();

// In the order the help lists them.
std::vector<std::unique_ptr<Subcommand>> AllSubcommands();

} // namespace lumiq::cli
