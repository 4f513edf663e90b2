#pragma once
// Bringing one module to what it should be: read everything, write only
// what differs (in the one-key order, MAC last, at the window's pace), then
// read everything back and compare. A dry run stops after the first read.

#include <string>
#include <vector>

#include "fleet/Plan.h"
#include "fleet/Session.h"

namespace lumiq::fleet {

struct Difference {
    Param param;
    std::string now;    // as the module reported it ("" when it was never read)
    std::string wanted; // canonical
};

class ApplyPlan : public Plan {
public:
    ApplyPlan(std::vector<Value> wanted, bool dryRun);
    std::optional<Step> next(const ModuleValues& values) override;

    // What differed before anything was written.
    const std::vector<Difference>& differences() const { return differences_; }
    // What still differs after the read-back.
    const std::vector<Difference>& mismatches() const { return mismatches_; }
    bool readBack() const { return phase_ == Phase::Done && wrote_; }

private:
    enum class Phase : unsigned char { ReadBefore, Write, ReadAfter, Done };
    std::vector<Difference> compare(const ModuleValues& values) const;
    void planWrites(const ModuleValues& values);

    std::vector<Value> wanted_;
    bool dryRun_;
    Phase phase_ = Phase::ReadBefore;
    bool wrote_ = false;
    std::deque<Step> steps_;
    std::vector<Difference> differences_;
    std::vector<Difference> mismatches_;
};

// A module's end of an apply, as people and scripts read it.
enum class ApplyResult : unsigned char {
    Unchanged, // nothing differed
    Applied,   // written and read back right
    Mismatch,  // read back otherwise than written
    Refused,   // a set answered without "OK"
    Timeout,   // no reply, resends used up
    Missing,   // asked for, not found
    Failed,    // wrong replies, a failed link, a value that could not be completed
    Cancelled, // the run was ended first
    Differs,   // dry run: something would change
};

std::string_view ApplyResultName(ApplyResult result); // "unchanged", "applied", ...

struct ApplySummary {
    ApplyResult result;
    std::string detail;                   // "set ip refused: ERROR", "timeout in query mask", ...
    std::vector<std::string> written;     // "set port=7000", in order, each confirmed by the module
    std::vector<std::string> notWritten;  // what the plan still had to write when it ended, or was refused
    std::vector<std::string> unconfirmed; // "port=7000": sent, and neither answered nor read back
};

ApplySummary Summarize(const Session& session, const ApplyPlan& plan, bool dryRun);

} // namespace lumiq::fleet
