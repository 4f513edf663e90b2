#pragma once
// The course every subcommand that works on modules takes, over the network
// or a serial port alike: the modules found (the search, or the one module on
// the port) and the targets resolved against them, the subcommand's own checks
// on those modules, one engine session each with the subcommand's plan, and a
// row for every target at the end.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ModuleSubcommand.h"
#include "cli/Targets.h"
#include "fleet/FleetEngine.h"

namespace lumiq::cli {

// What the reach found, each target resolved against it.
struct ReachedModules {
    std::vector<Resolved> targets;
    bool interrupted = false;  // the search was cut short
    bool noneAnswered = false; // no module answered the search at all
};

// How the course gets to its modules, and with what it sends to them.
class ModuleReach {
public:
    virtual ~ModuleReach() = default;
    // `writes`: the modules are to be written to. Puts into `report` what the
    // search saw.
    virtual ReachedModules find(bool writes, Report& report) = 0;
    // Every module that answered the search.
    virtual const std::vector<fleet::FoundModule>& found() const = 0;
    // A module to be worked on, as a question names it.
    virtual std::string nameOf(const Resolved& module) const = 0;
    // Opens the way to the modules and makes the engine on it. Throws Unusable.
    virtual void open() = 0;
    virtual const fleet::Session& add(const Resolved& module, std::unique_ptr<fleet::Plan> plan) = 0;
    // Runs every session to its end; false after Ctrl+C.
    virtual bool run(std::string_view command) = 0;
};

int RunModuleCourse(const Request& request, Interrupt& interrupt, Report& report,
                    const ModuleSubcommand& command, ModuleReach& reach);

} // namespace lumiq::cli
