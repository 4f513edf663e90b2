#include "cli/EngineRun.h"

#include <algorithm>

namespace lumiq::cli {
namespace {

class EngineWork final : public Work {
public:
    EngineWork(fleet::FleetEngine& engine, std::string_view command) : engine_(engine), command_(command) {}
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
        std::string text = std::string(command_) + ": " + std::to_string(engine_.finishedCount()) + " of " +
                           std::to_string(sessions.size()) + " modules done";
        if (failed > 0)
            text += ", " + std::to_string(failed) + " failed";
        return text;
    }

private:
    fleet::FleetEngine& engine_;
    std::string_view command_;
};

} // namespace

fleet::EngineOptions EngineOptionsOf(const Request& request, std::vector<std::uint32_t> ownAddresses) {
    fleet::EngineOptions options;
    // N given is the bound for every module, however its frames go.
    if (request.parallel > 0)
        options.parallel = options.broadcastParallel = request.parallel;
    if (request.timeoutMs > 0) {
        // A destination-IP or MAC set keeps its longer wait in proportion.
        options.longTimeoutMs = options.longTimeoutMs * request.timeoutMs / options.timeoutMs;
        options.timeoutMs = request.timeoutMs;
    }
    options.ownAddresses = std::move(ownAddresses);
    return options;
}

bool RunEngine(fleet::FleetEngine& engine, std::string_view command, WorkLoop& loop) {
    EngineWork work(engine, command);
    return loop.run(work);
}

} // namespace lumiq::cli
