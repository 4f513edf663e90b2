#include "fleet/ApplyPlan.h"

#include <algorithm>
#include <map>

namespace lumiq::fleet {

ApplyPlan::ApplyPlan(std::vector<Value> wanted, bool dryRun) : dryRun_(dryRun) {
    // The last value given for a parameter counts.
    std::map<Param, Value> latest;
    for (Value& value : wanted) latest.insert_or_assign(value.param, std::move(value));
    for (auto& [param, value] : latest) wanted_.push_back(std::move(value));
    for (Step& step : ReadAllSteps()) steps_.push_back(std::move(step));
}

std::vector<Difference> ApplyPlan::compare(const ModuleValues& values) const {
    std::vector<Difference> differences;
    for (const Value& value : wanted_) {
        const std::string now = ValueOf(values, value.param);
        // Read values are canonical where they keep their rule, so equal
        // meaning compares equal (the MAC in any letter case, say).
        if (now != value.text) differences.push_back({value.param, now, value.text});
    }
    return differences;
}

void ApplyPlan::planWrites(const ModuleValues& values) {
    // One set command per group, in the one-key order; a UART change sends
    // all four settings, the unchanged ones as the module has them.
    std::map<int, std::vector<Value>> byRank;
    for (const Difference& difference : differences_) {
        byRank[OneKeyRank(difference.param)].push_back({difference.param, difference.wanted});
    }
    for (const auto& [rank, group] : byRank) steps_.push_back(SetPlan::StepFor(group, values));
}

std::optional<Step> ApplyPlan::next(const ModuleValues& values) {
    if (steps_.empty()) {
        switch (phase_) {
            case Phase::ReadBefore:
                differences_ = compare(values);
                if (dryRun_ || differences_.empty()) {
                    phase_ = Phase::Done;
                    return std::nullopt;
                }
                phase_ = Phase::Write;
                planWrites(values);
                wrote_ = true;
                break;
            case Phase::Write:
                phase_ = Phase::ReadAfter;
                for (Step& step : ReadAllSteps()) steps_.push_back(std::move(step));
                // The module gets the same breath after its last set as between two.
                steps_.front().paceMs = 300;
                break;
            case Phase::ReadAfter:
                mismatches_ = compare(values);
                phase_ = Phase::Done;
                return std::nullopt;
            case Phase::Done:
                return std::nullopt;
        }
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    return step;
}

std::string_view ApplyResultName(ApplyResult result) {
    switch (result) {
        case ApplyResult::Unchanged: return "unchanged";
        case ApplyResult::Applied: return "applied";
        case ApplyResult::Mismatch: return "mismatch";
        case ApplyResult::Refused: return "refused";
        case ApplyResult::Timeout: return "timeout";
        case ApplyResult::Missing: return "missing";
        case ApplyResult::Failed: return "failed";
        case ApplyResult::Cancelled: return "cancelled";
        case ApplyResult::Differs: return "differs";
    }
    return "unknown";
}

ApplySummary Summarize(const Session& session, const ApplyPlan& plan, bool dryRun) {
    ApplySummary summary{ApplyResult::Unchanged, {}, {}, {}};
    std::vector<Param> confirmed;  // what the confirmed sets wrote; Baud stands for the UART set
    for (const StepRecord& record : session.records()) {
        if (record.step.kind == StepKind::Set && record.outcome == Outcome::Ok) {
            summary.written.push_back(record.step.title() + "=" + record.step.shown);
            confirmed.push_back(record.step.param);
        }
    }
    const StepRecord* failure = session.failure();
    if (session.state() == SessionState::Cancelled || failure != nullptr) {
        // What was planned to differ and is not confirmed written.
        for (const Difference& difference : plan.differences()) {
            const Param step = IsUartPart(difference.param) ? Param::Baud : difference.param;
            if (std::find(confirmed.begin(), confirmed.end(), step) == confirmed.end())
                summary.notWritten.push_back(std::string(KeyOf(difference.param)) + "=" + difference.wanted);
        }
    }
    if (session.state() == SessionState::Cancelled) {
        summary.result = ApplyResult::Cancelled;
        if (failure != nullptr) {
            summary.detail = "ended during " + failure->step.title();
        } else {
            const auto& records = session.records();
            summary.detail = records.empty() ? "not started" : "ended after " + records.back().step.title();
        }
        return summary;
    }
    if (failure != nullptr) {
        const std::string step = failure->step.title();
        switch (failure->outcome) {
            case Outcome::Refused:
                summary.result = ApplyResult::Refused;
                summary.detail = step + "=" + failure->step.shown + " refused: " + failure->reply;
                break;
            case Outcome::Timeout:
                summary.result = ApplyResult::Timeout;
                summary.detail = "no reply to " + step;
                break;
            default:
                summary.result = ApplyResult::Failed;
                summary.detail = std::string(OutcomeName(failure->outcome)) + " in " + step +
                                 (failure->error.empty() ? "" : ": " + failure->error) +
                                 (failure->reply.empty() ? "" : ": " + failure->reply);
                break;
        }
        return summary;
    }
    if (dryRun) {
        summary.result = plan.differences().empty() ? ApplyResult::Unchanged : ApplyResult::Differs;
    } else if (plan.differences().empty()) {
        summary.result = ApplyResult::Unchanged;
    } else {
        summary.result = plan.mismatches().empty() ? ApplyResult::Applied : ApplyResult::Mismatch;
    }
    for (const Difference& mismatch : plan.mismatches()) {
        if (!summary.detail.empty()) summary.detail += "; ";
        summary.detail += std::string(KeyOf(mismatch.param)) + ": wanted " + mismatch.wanted + ", got " + mismatch.now;
    }
    return summary;
}

}  // namespace lumiq::fleet
