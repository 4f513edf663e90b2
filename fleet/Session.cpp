#include "fleet/Session.h"

namespace lumiq::fleet {

std::string_view SessionStateName(SessionState state) {
    switch (state) {
    case SessionState::Queued:
        return "queued";
    case SessionState::Running:
        return "running";
    case SessionState::Done:
        return "done";
    case SessionState::Failed:
        return "failed";
    case SessionState::Cancelled:
        return "cancelled";
    }
    return "unknown";
}

Session::Session(std::string mac, Route route, std::unique_ptr<Plan> plan, Sighting sighting)
    : mac_(mac), firstMac_(std::move(mac)), route_(std::move(route)), unanswered_(sighting.lateAnswers),
      quietAt_(sighting.quietAt), plan_(std::move(plan)) {
    if (sighting.ip != 0)
        addresses_.push_back(sighting.ip);
    if (sighting.unicast)
        unicastTo_ = sighting.ip;
}

const StepRecord* Session::failure() const {
    if (records_.empty() || state_ == SessionState::Done || state_ == SessionState::Running)
        return nullptr;
    const StepRecord& last = records_.back();
    return last.outcome == Outcome::Ok ? nullptr : &last;
}

} // namespace lumiq::fleet
