// lumiq set: write parameters in the window's one-key order, and tell what
// became of each value asked for.

#include <algorithm>

#include "cli/IdentityChecks.h"
#include "cli/ModuleSubcommand.h"
#include "cli/Subcommands.h"
#include "device/ValueRules.h"
#include "fleet/WriteOutcome.h"

namespace lumiq::cli {
namespace {

bool NamesIdentity(const Value& value) {
    return value.param == Param::Ip || value.param == Param::Mac;
}

std::string IdentityWord(const Value& value) {
    return value.param == Param::Ip ? "address" : "MAC";
}

class SetCommand final : public ModuleSubcommand {
public:
    SetCommand()
        : ModuleSubcommand("set", "write parameters in the window's one-key order", "TARGETS KEY=VALUE...") {}

    ReportForm form() const override { return ReportForm::Writes; }
    std::vector<Param> columns(const Request& request) const override {
        std::vector<Param> columns;
        for (const Param param : kAllParams) {
            const bool asked = std::any_of(request.values.begin(), request.values.end(),
                                           [&](const Value& value) { return value.param == param; });
            if (param != Param::Mac && asked)
                columns.push_back(param);
        }
        return columns;
    }
    bool writes(const Request&) const override { return true; }
    std::optional<int> beforeWork(const Request& request, Interrupt&,
                                  const ModulesToWork& work) const override {
        // `set all ip=...` is known to name several modules only once they answered.
        if (work.modules.size() >= 2) {
            for (const Value& value : request.values) {
                if (NamesIdentity(value))
                    throw UsageError(std::string(KeyOf(value.param)) + "=" + value.text + " for " +
                                     std::to_string(work.modules.size()) + " modules: one " +
                                     IdentityWord(value) +
                                     " for two modules is a mistake; nothing was written");
            }
        }
        RefuseTakenIdentity(work.modules, work.found,
                            [&](const fleet::FoundModule&) { return request.values; });
        return std::nullopt;
    }
    std::unique_ptr<fleet::Plan> planFor(const Request& request, const fleet::FoundModule*) const override {
        return std::make_unique<fleet::SetPlan>(request.values);
    }
    // What became of each value asked for; the row succeeds only when every one is confirmed.
    void finishRow(const Request& request, ModuleRow& row, const fleet::Session& session) const override {
        const auto* plan = dynamic_cast<const fleet::SetPlan*>(&session.plan());
        const ModuleValues* readBack = plan != nullptr && plan->readBackDone() ? &plan->readBack() : nullptr;
        std::vector<std::string> trouble;
        for (fleet::ValueWrite& write : fleet::WritesOf(session, request.values, readBack)) {
            const std::string item = std::string(KeyOf(write.value.param)) + "=" + write.value.text;
            // A refusal, and what was not sent after it, the failure says already.
            const bool said = !row.detail.empty() && (write.state == fleet::WriteState::Refused ||
                                                      write.state == fleet::WriteState::NotWritten);
            if (write.state == fleet::WriteState::Mismatch) {
                trouble.push_back(item + " read back as " + write.held);
            } else if (write.state != fleet::WriteState::Confirmed && !said) {
                trouble.push_back(item + " " + std::string(fleet::WriteStateName(write.state)));
            }
            row.writes.push_back(std::move(write));
        }
        if (trouble.empty())
            return;
        if (row.status == ModuleStatus::Ok)
            row.status = ModuleStatus::Failed;
        row.detail = (row.detail.empty() ? "" : row.detail + "; ") + Joined(trouble, ", ");
    }

protected:
    bool takeItem(const std::string& item, Request& request) const override {
        if (item.find('=') == std::string::npos)
            return false;
        request.values.push_back(CheckAssignment(item));
        return true;
    }
    void checkAsked(const Request& request) const override {
        if (request.values.empty())
            throw UsageError("set needs one KEY=VALUE or more, keys: " + KeyList());
        // One address or MAC for two modules is a mistake that no module can undo.
        // (How many modules `all` stands for is known after the search.)
        const auto named =
            std::count_if(request.targets.begin(), request.targets.end(),
                          [](const Target& target) { return target.kind != Target::Kind::All; });
        if (named < 2)
            return;
        for (const Value& value : request.values) {
            if (NamesIdentity(value))
                throw UsageError(std::string(KeyOf(value.param)) + "=" + value.text +
                                 " for several modules: one " + IdentityWord(value) +
                                 " for two modules is a mistake; set each module on its own");
        }
    }
};

} // namespace

std::unique_ptr<Subcommand> MakeSetCommand() {
    return std::make_unique<SetCommand>();
}

} // namespace lumiq::cli
