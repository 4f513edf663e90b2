#include "fleet/Session.h"

namespace lumiq::fleet {

std::string_view SessionStateName(SessionState state) {
    switch (state) {
        case SessionState::Queued: return "queued";
        case SessionState::Running: return "running";
        case SessionState::Done: return "done";
        case SessionState::Failed: return "failed";
        case SessionState::Cancelled: return "cancelled";
    }
    return "unknown";
}

Session::Session(std::string mac, Route route, std::unique_ptr<Plan> plan)
    : mac_(mac), firstMac_(std::move(mac)), route_(std::move(route)), plan_(std::move(plan)) {}

const StepRecord* Session::failure() const {
    if (records_.empty() || state_ == SessionState::Done || state_ == SessionState::Running) return nullptr;
    const StepRecord& last = records_.back();
    return last.outcome == Outcome::Ok ? nullptr : &last;
}

}  // namespace lumiq::fleet
