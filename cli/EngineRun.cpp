#include "cli/EngineRun.h"

#include <algorithm>

#include "fleet/WriteOutcome.h"

namespace lumiq::cli {
namespace {

class EngineWork final : public Work {
public:
    EngineWork(fleet::FleetEngine& engine, Command command) : engine_(engine), command_(command) {}
    void start(fleet::Millis now) override { engine_.start(now); }
    void advance(fleet::Millis now) override { engine_.advance(now); }
    std::optional<fleet::Millis> nextWake() const override { return engine_.nextWake(); }
    bool finished() const override { return engine_.finished(); }
    void cancel(fleet::Millis now) override { engine_.cancel(now); }
    void stop(fleet::Millis now) override { engine_.stop(now); }
    std::string progress() const override {
        if (engine_.stopping())
            return "stopping: awaiting the answers of " + std::to_string(engine_.awaitingCount()) +
                   " modules";
        const auto& sessions = engine_.sessions();
        const auto failed = std::count_if(sessions.begin(), sessions.end(), [](const auto& session) {
            return session->state() == fleet::SessionState::Failed;
        });
        std::string text = std::string(CommandName(command_)) + ": " +
                           std::to_string(engine_.finishedCount()) + " of " +
                           std::to_string(sessions.size()) + " modules done";
        if (failed > 0)
            text += ", " + std::to_string(failed) + " failed";
        return text;
    }

private:
    fleet::FleetEngine& engine_;
    Command command_;
};

} // namespace

fleet::EngineOptions EngineOptionsOf(const Request& request, std::vector<std::uint32_t> ownAddresses) {
    fleet::EngineOptions options;
    if (request.parallel > 0)
        options.parallel = request.parallel;
    if (request.timeoutMs > 0) {
        // A destination-IP or MAC set keeps its longer wait in proportion.
        options.longTimeoutMs = options.longTimeoutMs * request.timeoutMs / options.timeoutMs;
        options.timeoutMs = request.timeoutMs;
    }
    options.ownAddresses = std::move(ownAddresses);
    return options;
}

std::unique_ptr<fleet::Plan> PlanOf(const Request& request) {
    switch (request.command) {
    case Command::Get:
        return fleet::QueryPlan(request.keys);
    case Command::Set:
        return std::make_unique<fleet::SetPlan>(request.values);
    case Command::Default:
        return fleet::DefaultPlan();
    default:
        return fleet::ReadAllPlan();
    }
}

bool RunEngine(fleet::FleetEngine& engine, const Request& request, WorkLoop& loop) {
    EngineWork work(engine, request.command);
    return loop.run(work);
}

void FinishSetRow(ModuleRow& row, const fleet::Session& session, const std::vector<Value>& asked) {
    const auto* plan = dynamic_cast<const fleet::SetPlan*>(&session.plan());
    const ModuleValues* readBack =
        plan != nullptr && plan->readBackDone() ? &plan->readBack() : nullptr;
    std::vector<std::string> trouble;
    for (fleet::ValueWrite& write : fleet::WritesOf(session, asked, readBack)) {
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
    if (row.status == "ok")
        row.status = "failed";
    row.detail = (row.detail.empty() ? "" : row.detail + "; ") + Joined(trouble, ", ");
}

} // namespace lumiq::cli
