#include "fleet/ApplyPlan.h"

#include <algorithm>
#include <map>

#include "device/Exchange.h"
#include "fleet/WriteOutcome.h"

namespace lumiq::fleet {

ApplyPlan::ApplyPlan(std::vector<Value> wanted, bool dryRun) : dryRun_(dryRun) {
    // The last value given for a parameter counts.
    std::map<Param, Value> latest;
    for (Value& value : wanted)
        latest.insert_or_assign(value.param, std::move(value));
    for (auto& [param, value] : latest)
        wanted_.push_back(std::move(value));
    for (Step& step : ReadAllSteps())
        steps_.push_back(std::move(step));
}

std::vector<Difference> ApplyPlan::compare(const ModuleValues& values) const {
    std::vector<Difference> differences;
    for (const Value& value : wanted_) {
        const std::string now = ValueOf(values, value.param);
        // Read values are canonical where they keep their rule, so equal
        // meaning compares equal (the MAC in any letter case, say).
        if (now != value.text)
            differences.push_back({value.param, now, value.text});
    }
    return differences;
}

void ApplyPlan::planWrites(const ModuleValues& values) {
    // One set command per group, in the one-key order; a UART change sends
    // all four settings, the unchanged ones as the module has them.
    std::map<int, std::vector<Value>> byRank;
    for (const Difference& difference : differences_) {
        byRank[RowOf(difference.param).oneKeyRank].push_back({difference.param, difference.wanted});
    }
    for (const auto& [rank, group] : byRank)
        steps_.push_back(SetPlan::StepFor(group, values));
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
            CheckAddressInSubnet(wanted_, values);
            phase_ = Phase::Write;
            planWrites(values);
            wrote_ = true;
            break;
        case Phase::Write:
            phase_ = Phase::ReadAfter;
            for (Step& step : ReadAllSteps())
                steps_.push_back(std::move(step));
            // The module gets the same breath after its last set as between two.
            steps_.front().paceMs = kSetPaceMs;
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
    case ApplyResult::Unchanged:
        return "unchanged";
    case ApplyResult::Applied:
        return "applied";
    case ApplyResult::Mismatch:
        return "mismatch";
    case ApplyResult::Refused:
        return "refused";
    case ApplyResult::Timeout:
        return "timeout";
    case ApplyResult::Missing:
        return "missing";
    case ApplyResult::Failed:
        return "failed";
    case ApplyResult::Cancelled:
        return "cancelled";
    case ApplyResult::Differs:
        return "differs";
    }
    return "unknown";
}

ApplySummary Summarize(const Session& session, const ApplyPlan& plan, bool dryRun) {
    ApplySummary summary{ApplyResult::Unchanged, {}, {}, {}, {}};
    std::vector<Value> planned;
    for (const Difference& difference : plan.differences())
        planned.push_back({difference.param, difference.wanted});
    // Confirmed sets in the order they went out, each value by the key users type.
    for (const StepRecord& record : session.records()) {
        if (!record.step.isSet() || record.outcome != Outcome::Ok)
            continue;
        for (const Value& value : planned) {
            const auto& sent = record.step.writes;
            if (std::any_of(sent.begin(), sent.end(),
                            [&](const Value& one) { return one.param == value.param; }))
                summary.written.push_back("set " + std::string(KeyOf(value.param)) + "=" + value.text);
        }
    }
    const StepRecord* failure = session.failure();
    if (session.state() == SessionState::Cancelled || failure != nullptr) {
        for (const ValueWrite& write : WritesOf(session, planned, nullptr)) {
            const std::string item = std::string(KeyOf(write.value.param)) + "=" + write.value.text;
            if (write.state == WriteState::Unconfirmed)
                summary.unconfirmed.push_back(item);
            if (write.state == WriteState::NotWritten || write.state == WriteState::Refused)
                summary.notWritten.push_back(item);
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
            summary.detail = "set " + failure->step.assignments() + " refused: " + failure->reply;
            break;
        case Outcome::Timeout:
            summary.result = ApplyResult::Timeout;
            summary.detail = "no reply to " + step;
            break;
        case Outcome::Unconfirmed:
            summary.result = ApplyResult::Timeout;
            summary.detail = "no reply to set " + failure->step.assignments() + ", nor to its read-back";
            break;
        case Outcome::SecondSender:
            summary.result = ApplyResult::Failed;
            summary.detail = failure->error;
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
        if (!summary.detail.empty())
            summary.detail += "; ";
        summary.detail +=
            std::string(KeyOf(mismatch.param)) + ": wanted " + mismatch.wanted + ", got " + mismatch.now;
    }
    return summary;
}

} // namespace lumiq::fleet
