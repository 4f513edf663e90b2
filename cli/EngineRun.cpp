#include "cli/EngineRun.h"

#include <algorithm>

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
    std::string progress() const override {
        const auto& sessions = engine_.sessions();
        const auto failed = std::count_if(sessions.begin(), sessions.end(), [](const auto& session) {
            return session->state() == fleet::SessionState::Failed;
        });
        std::string text = std::string(CommandName(command_)) + ": " + std::to_string(engine_.finishedCount()) +
                           " of " + std::to_string(sessions.size()) + " modules done";
        if (failed > 0) text += ", " + std::to_string(failed) + " failed";
        return text;
    }

private:
    fleet::FleetEngine& engine_;
    Command command_;
};

}  // namespace

fleet::EngineOptions EngineOptionsOf(const Request& request, std::vector<std::uint32_t> ownAddresses) {
    fleet::EngineOptions options;
    if (request.parallel > 0) options.parallel = request.parallel;
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
    case Command::Get: return fleet::QueryPlan(request.keys);
    case Command::Set: return std::make_unique<fleet::SetPlan>(request.values);
    case Command::Default: return fleet::DefaultPlan();
    default: return fleet::ReadAllPlan();
    }
}

bool RunEngine(fleet::FleetEngine& engine, const Request& request, WorkLoop& loop) {
    EngineWork work(engine, request.command);
    return loop.run(work);
}

fleet::ModuleValues WrittenValues(const fleet::Session& session, const std::vector<fleet::Value>& asked) {
    fleet::ModuleValues written;
    for (const fleet::StepRecord& record : session.records()) {
        const fleet::Step& step = record.step;
        if (record.outcome != fleet::Outcome::Ok || step.kind != fleet::StepKind::Set) continue;
        if (step.set->button == SetButton::Default) continue;
        // The UART settings go in one set, which Baud stands for.
        const bool uart = fleet::IsUartPart(step.param);
        for (const fleet::Value& value : asked) {
            if (value.param == step.param || (uart && fleet::IsUartPart(value.param)))
                written[value.param] = value.text;
        }
    }
    return written;
}

}  // namespace lumiq::cli
