#include "fleet/WriteOutcome.h"

#include <algorithm>

namespace lumiq::fleet {
namespace {

WriteState StateOf(const StepRecord& record) {
    switch (record.outcome) {
    case Outcome::Ok:
        return WriteState::Confirmed;
    case Outcome::Refused:
        return WriteState::Refused;
    case Outcome::Unconfirmed:
    case Outcome::SecondSender:
    case Outcome::LinkFailed:
        return record.sends > 0 && !record.notHeld ? WriteState::Unconfirmed : WriteState::NotWritten;
    default:
        return WriteState::NotWritten;
    }
}

} // namespace

std::string_view WriteStateName(WriteState state) {
    switch (state) {
    case WriteState::Confirmed:
        return "confirmed";
    case WriteState::Mismatch:
        return "mismatch";
    case WriteState::Refused:
        return "refused";
    case WriteState::Unconfirmed:
        return "unconfirmed";
    case WriteState::NotWritten:
        return "not-written";
    }
    return "unknown";
}

std::vector<ValueWrite> WritesOf(const Session& session, const std::vector<Value>& asked,
                                 const ModuleValues* readBack) {
    std::vector<ValueWrite> writes;
    for (const Value& value : asked) {
        ValueWrite write{value, WriteState::NotWritten, {}};
        // The last set that carried the parameter decides.
        for (const StepRecord& record : session.records()) {
            if (!record.step.isSet())
                continue;
            const auto& carried = record.step.writes;
            const bool carries = std::any_of(carried.begin(), carried.end(),
                                             [&](const Value& sent) { return sent.param == value.param; });
            if (carries)
                write.state = StateOf(record);
        }
        if (write.state == WriteState::Confirmed && readBack != nullptr &&
            readBack->count(value.param) != 0) {
            const std::string held = ValueOf(*readBack, value.param);
            if (held != value.text)
                write = {value, WriteState::Mismatch, held};
        }
        writes.push_back(std::move(write));
    }
    return writes;
}

} // namespace lumiq::fleet
