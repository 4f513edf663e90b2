#include <iostream>

#include "cli/ApplyRequest.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/ModuleCommand.h"

namespace lumiq::cli {
namespace {

class ApplyCommand final : public ModuleCommand {
public:
    explicit ApplyCommand(const Request& request) : request_(request) {}

    std::optional<int> beforeWork(const std::vector<const fleet::FoundModule*>& modules,
                                  const std::vector<fleet::FoundModule>& found) override {
        RefuseSharedIdentities(request_, modules.size());
        RefuseTakenIdentity(modules, found,
                            [&](const fleet::FoundModule& module) { return wantedFor(module); });
        return std::nullopt;
    }
    std::unique_ptr<fleet::Plan> planFor(const fleet::FoundModule& module) override {
        return std::make_unique<fleet::ApplyPlan>(wantedFor(module), request_.check);
    }
    void finishRow(ModuleRow& row, const fleet::Session& session) override {
        const auto& plan = dynamic_cast<const fleet::ApplyPlan&>(session.plan());
        fleet::ApplySummary summary = fleet::Summarize(session, plan, request_.check);
        row.status = fleet::ApplyResultName(summary.result);
        row.detail = std::move(summary.detail);
        row.apply = ApplyReport{plan.differences(), plan.mismatches(), std::move(summary.written),
                                std::move(summary.notWritten), std::move(summary.unconfirmed)};
    }
    void finishUnworked(ModuleRow& row) override {
        // A target the search did not find was asked for and is missing;
        // one that two modules answer to cannot be worked on.
        if (row.status == "not-found")
            row.status = fleet::ApplyResultName(fleet::ApplyResult::Missing);
        if (row.status == "ambiguous")
            row.status = fleet::ApplyResultName(fleet::ApplyResult::Failed);
        row.apply = ApplyReport{};
    }
    // As diff(1) with --check, so that a scheduler can run it as an audit.
    int statusOf(const Report& report) const override {
        if (!request_.check || report.interrupted)
            return ModuleCommand::statusOf(report);
        bool differs = false;
        for (const ModuleRow& row : report.modules) {
            if (row.status == fleet::ApplyResultName(fleet::ApplyResult::Differs)) {
                differs = true;
            } else if (row.status != fleet::ApplyResultName(fleet::ApplyResult::Unchanged)) {
                return kExitCheckTrouble;
            }
        }
        return differs ? kExitFailed : kExitOk;
    }
    int nothingFoundStatus() const override { return request_.check ? kExitCheckTrouble : kExitUnusable; }

private:
    std::vector<Value> wantedFor(const fleet::FoundModule& module) const {
        const fleet::IdentityRow* row = request_.identities ? request_.identities->find(module.mac) : nullptr;
        return fleet::WantedValues(request_.profile, row);
    }

    const Request& request_;
};

} // namespace

int RunApply(const Request& request, Interrupt& interrupt, Report& report) {
    report.dryRun = request.check;
    const fleet::Profile& profile = request.profile;
    if (!profile.leftOutKeys.empty()) {
        std::cerr
            << "lumiq: " << profile.path << " is a CFG.ini saved by the window: its module "
            << Joined(profile.leftOutKeys, " and ") << (profile.leftOutKeys.size() == 1 ? " is" : " are")
            << " left out, so that no module takes another's identity (--take-identity writes them, to one "
               "module)\n";
    }
    ApplyCommand command(request);
    try {
        return RunModuleCommand(request, interrupt, report, command);
    } catch (const Unusable& error) {
        if (!request.check)
            throw;
        throw UsageError(error.what());
    }
}

} // namespace lumiq::cli
