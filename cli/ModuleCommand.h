#pragma once
// The course every command that works on modules over the network takes:
// the search, the targets resolved against what answered, the command's own
// checks on those modules, one engine session each, and a row for every
// target at the end. A command says only what is its own.

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "cli/Report.h"
#include "cli/Request.h"
#include "fleet/ModuleSearch.h"
#include "fleet/Plan.h"
#include "fleet/Session.h"

namespace lumiq::cli {

class Interrupt;

class ModuleCommand {
public:
    virtual ~ModuleCommand() = default;
    // After the search, before anything is sent to a module: throws
    // UsageError, or gives the exit status to end with at once. `found` is
    // every module that answered, `modules` those to be worked on.
    virtual std::optional<int> beforeWork(const std::vector<const fleet::FoundModule*>& modules,
                                          const std::vector<fleet::FoundModule>& found) = 0;
    virtual std::unique_ptr<fleet::Plan> planFor(const fleet::FoundModule& module) = 0;
    // A worked-on module's row, filled from its session already.
    virtual void finishRow(ModuleRow& row, const fleet::Session& session) = 0;
    // The row of a target not worked on: not found, ambiguous, or the search cut short.
    virtual void finishUnworked(ModuleRow& row) = 0;
    // 130 after Ctrl+C, 1 when a module did not succeed, else 0.
    virtual int statusOf(const Report& report) const;
    // When no module answered the search at all.
    virtual int nothingFoundStatus() const = 0;
};

// Refuses a new MAC or address for a module that another module found holds
// already, and an address that is the network or broadcast address of the
// subnet by the mask given with it. `wanted` gives what a module is to get.
void RefuseTakenIdentity(const std::vector<const fleet::FoundModule*>& modules,
                         const std::vector<fleet::FoundModule>& found,
                         const std::function<std::vector<Value>(const fleet::FoundModule&)>& wanted);

int RunModuleCommand(const Request& request, Interrupt& interrupt, Report& report, ModuleCommand& command);

} // namespace lumiq::cli
