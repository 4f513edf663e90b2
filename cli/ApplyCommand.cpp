// lumiq apply: bring modules to prepared settings (a profile, an identity
// table keyed by MAC, identity pools, or any of them together): write what
// differs, read it back. Its files are read and every value checked before
// anything is sent, also before the search, and again once the search tells
// how many modules `all` is and which of them the pools give what.

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>

#include "cli/CommonOptions.h"
#include "cli/IdentityChecks.h"
#include "cli/ModuleSubcommand.h"
#include "cli/Subcommands.h"
#include "cli/Targets.h"
#include "fleet/PooledIdentities.h"
#include "state/AddressText.h"

namespace lumiq::cli {
namespace {

// Refuses what would give two of `modules` one MAC or address.
void RefuseSharedIdentities(const Request& request, std::size_t modules) {
    try {
        fleet::CheckDistinctIdentities(request.profile, request.identities ? &*request.identities : nullptr,
                                       modules);
    } catch (const fleet::InputError& error) {
        throw UsageError(std::string(error.what()) + "; nothing was written");
    }
}

class ApplyCommand final : public ModuleSubcommand {
public:
    ApplyCommand()
        : ModuleSubcommand("apply", "bring modules to prepared settings: write what differs, read it back",
                           "[TARGETS]") {}

    ReportForm form() const override { return ReportForm::Apply; }
    bool writes(const Request& request) const override { return !request.check; }
    std::optional<int> beforeWork(const Request& request, Interrupt&,
                                  const ModulesToWork& work) const override {
        RefuseSharedIdentities(request, work.modules.size());
        const fleet::IdentityTable* table = request.identities ? &*request.identities : nullptr;
        try {
            pooled_ = fleet::PooledIdentities(request.pools, work.modules);
            pooled_.refuseOneAddressTwice(request.profile, table, work.modules);
        } catch (const fleet::InputError& error) {
            throw UsageError(std::string(error.what()) + "; nothing was written");
        }
        RefuseTakenIdentity(work.modules, work.found,
                            [&](const fleet::FoundModule& module) { return wantedFor(request, &module); });
        return std::nullopt;
    }
    std::unique_ptr<fleet::Plan> planFor(const Request& request,
                                         const fleet::FoundModule* module) const override {
        return std::make_unique<fleet::ApplyPlan>(wantedFor(request, module), request.check);
    }
    void finishRow(const Request& request, ModuleRow& row, const fleet::Session& session) const override {
        const auto& plan = dynamic_cast<const fleet::ApplyPlan&>(session.plan());
        fleet::ApplySummary summary = fleet::Summarize(session, plan, request.check);
        row.status = StatusOf(summary.result);
        row.detail = std::move(summary.detail);
        row.apply = ApplyReport{plan.differences(), plan.mismatches(), std::move(summary.written),
                                std::move(summary.notWritten), std::move(summary.unconfirmed)};
    }
    void finishUnworked(ModuleRow& row) const override {
        // A target the search did not find was asked for and is missing;
        // one that two modules answer to cannot be worked on.
        if (row.status == ModuleStatus::NotFound)
            row.status = ModuleStatus::Missing;
        if (row.status == ModuleStatus::Ambiguous)
            row.status = ModuleStatus::Failed;
        row.apply = ApplyReport{};
    }
    // As diff(1) with --check, so that a scheduler can run it as an audit.
    int statusOf(const Request& request, const Report& report) const override {
        if (!request.check || report.interrupted)
            return ModuleSubcommand::statusOf(request, report);
        bool differs = false;
        for (const ModuleRow& row : report.modules) {
            if (row.status == ModuleStatus::Differs) {
                differs = true;
            } else if (row.status != ModuleStatus::Unchanged) {
                return kExitCheckTrouble;
            }
        }
        return differs ? kExitFailed : kExitOk;
    }
    int nothingFoundStatus(const Request& request) const override {
        return request.check ? kExitCheckTrouble : kExitUnusable;
    }
    int run(const Request& request, Interrupt& interrupt, Report& report) const override {
        const fleet::Profile& profile = request.profile;
        if (!profile.leftOutKeys.empty()) {
            std::cerr
                << "lumiq: " << profile.path << " is a CFG.ini saved by the window: its module "
                << Joined(profile.leftOutKeys, " and ") << (profile.leftOutKeys.size() == 1 ? " is" : " are")
                << " left out, so that no module takes another's identity (--take-identity writes them, to "
                   "one module)\n";
        }
        if (request.identities && request.identities->encoding == fleet::TextEncoding::Gbk) {
            std::cerr << "lumiq: " << request.identities->path
                      << " is not UTF-8 text; read as GBK, as a spreadsheet in a Chinese locale saves it\n";
        }
        try {
            const int status = ModuleSubcommand::run(request, interrupt, report);
            report.overrides = overridesIn(request, report);
            return status;
        } catch (const Unusable& error) {
            if (!request.check)
                throw;
            throw UsageError(error.what());
        }
    }

protected:
    void addOwnOptions(CLI::App& apply, Request& request) override {
        apply
            .add_option("--profile", request.profilePath,
                        "settings shared by the modules: [profile] INI, or a CFG.ini")
            ->type_name("FILE")
            ->check(NamesAFile);
        apply
            .add_option("--identities", request.identitiesPath,
                        "each module's own settings: CSV keyed by mac")
            ->type_name("FILE")
            ->check(NamesAFile);
        CLI::Option* assign =
            apply
                .add_option("--assign", request.assignments,
                            "make each module a value of its own: ip=FIRST-LAST, port=N+, name=Press-{n:03} "
                            "(repeatable)")
                ->type_name("KEY=TEMPLATE")
                ->allow_extra_args(false);
        apply.add_option("--first", request.firstNumber, "the first module's number {n} (in MAC order)")
            ->type_name("N")
            ->check(CLI::Range(0u, 999999999u))
            ->capture_default_str()
            ->needs(assign);
        CLI::Option* check =
            apply.add_flag("--check", request.check, "write nothing; show what would change");
        apply
            .add_option("--metrics", request.metricsPath,
                        "with --check: replace FILE with the audit's Prometheus metrics (*.prom)")
            ->type_name("FILE")
            ->check(NamesAFile)
            ->needs(check);
        apply
            .add_flag("--nagios", request.nagios,
                      "with --check: one status line for Nagios or Icinga, exit 0 OK, 1 WARNING, 2 CRITICAL, "
                      "3 UNKNOWN")
            ->needs(check);
        apply.add_flag("--take-identity", request.takeIdentity,
                       "write a CFG.ini's module IP and MAC too (one module)");
        apply.footer(
            "TARGETS default to the identity table's MACs, or all. The pools give the modules found\n"
            "values in the order of their MACs; an identity table's cell wins over a pool.\n"
            "Exit status: 0 every module unchanged or applied, 1 not; with --check 0 nothing would\n"
            "change, 1 something would, 2 trouble.");
    }
    bool overSerial() const override { return false; }
    // Loads the profile and the identity table (every value checked), takes
    // the table's MACs as targets when none are named, and refuses what would
    // give two modules one MAC or address.
    void prepare(Request& request) const override {
        if (request.nagios) {
            if (request.format != Format::Table)
                throw UsageError("--nagios writes its own status line: leave out --json and --csv");
            request.format = Format::Nagios;
        }
        if (request.profilePath.empty() && request.identitiesPath.empty() && request.assignments.empty())
            throw UsageError(
                "apply needs --profile FILE, --identities FILE, --assign KEY=TEMPLATE, or more of them");
        try {
            request.pools = fleet::IdentityPools(request.assignments, request.firstNumber);
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
        // The pool's addresses keep clear of the ends of the profile's subnet.
        request.pools.setMaskFrom(fleet::WantedValues(request.profile, nullptr));
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
        const auto named =
            std::count_if(request.targets.begin(), request.targets.end(),
                          [](const Target& target) { return target.kind != Target::Kind::All; });
        RefuseSharedIdentities(request, static_cast<std::size_t>(named));
    }

private:
    // Over the modules that answered the search, by the MAC they had then.
    static std::vector<fleet::ProfileOverride> overridesIn(const Request& request, const Report& report) {
        if (!request.identities)
            return {};
        std::vector<const fleet::IdentityRow*> rows;
        for (const ModuleRow& row : report.modules) {
            if (!row.address.empty())
                rows.push_back(request.identities->find(row.macBefore.empty() ? row.mac : row.macBefore));
        }
        return fleet::ProfileOverrides(request.profile, rows);
    }
    // The profile, then the pools, then the module's row of the identity table.
    std::vector<Value> wantedFor(const Request& request, const fleet::FoundModule* module) const {
        return pooled_.wanted(request.profile, request.identities ? &*request.identities : nullptr, module);
    }

    // Each found module's pool values, made once the search has found them
    // all and before anything is sent.
    mutable fleet::PooledIdentities pooled_;
};

} // namespace

std::unique_ptr<Subcommand> MakeApplyCommand() {
    return std::make_unique<ApplyCommand>();
}

} // namespace lumiq::cli
