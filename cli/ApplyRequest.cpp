#include "cli/ApplyRequest.h"

#include <CLI/CLI.hpp>

#include <algorithm>

#include "cli/ExitStatus.h"
#include "cli/Targets.h"

namespace lumiq::cli {

void AddApplyOptions(CLI::App& apply, Request& request) {
    // "" is a mistake (an unset variable in a script), never "no file".
    const auto namesAFile = [](const std::string& path) {
        return path.empty() ? std::string("needs a file name, and \"\" is none") : std::string();
    };
    apply
        .add_option("--profile", request.profilePath,
                    "settings shared by the modules: [profile] INI, or a CFG.ini")
        ->type_name("FILE")
        ->check(namesAFile);
    apply.add_option("--identities", request.identitiesPath, "each module's own settings: CSV keyed by mac")
        ->type_name("FILE")
        ->check(namesAFile);
    apply.add_flag("--check", request.check, "write nothing; show what would change");
    apply.add_flag("--take-identity", request.takeIdentity,
                   "write a CFG.ini's module IP and MAC too (one module)");
    apply.footer(
        "TARGETS default to the identity table's MACs, or all. Exit status: 0 every module unchanged or\n"
        "applied, 1 not; with --check 0 nothing would change, 1 something would, 2 trouble.");
}

void PrepareApply(Request& request) {
    if (request.profilePath.empty() && request.identitiesPath.empty())
        throw UsageError("apply needs --profile FILE, --identities FILE, or both");
    try {
        if (!request.profilePath.empty()) {
            request.profile = fleet::LoadProfile(request.profilePath, request.takeIdentity);
            if (request.takeIdentity && !request.profile.windowSettings)
                throw UsageError("--take-identity is for a CFG.ini saved by the window; " +
                                 request.profilePath + " is a profile, whose module IP applies as it is");
        } else if (request.takeIdentity) {
            throw UsageError("--take-identity goes with --profile CFG.ini");
        }
        if (!request.identitiesPath.empty())
            request.identities = fleet::LoadIdentityTable(request.identitiesPath);
    } catch (const fleet::InputError& error) {
        throw UsageError(error.what());
    }
    if (request.targets.empty()) {
        if (request.identities) {
            std::vector<Target> macs;
            for (const fleet::IdentityRow& row : request.identities->rows)
                macs.push_back(ParseTarget(row.mac));
            AddTargets(request.targets, std::move(macs));
        } else {
            request.targets.push_back(ParseTarget("all"));
        }
    }
    const auto named = std::count_if(request.targets.begin(), request.targets.end(),
                                     [](const Target& target) { return target.kind != Target::Kind::All; });
    RefuseSharedIdentities(request, static_cast<std::size_t>(named));
}

void RefuseSharedIdentities(const Request& request, std::size_t modules) {
    try {
        fleet::CheckDistinctIdentities(request.profile, request.identities ? &*request.identities : nullptr,
                                       modules);
    } catch (const fleet::InputError& error) {
        throw UsageError(std::string(error.what()) + "; nothing was written");
    }
}

} // namespace lumiq::cli
