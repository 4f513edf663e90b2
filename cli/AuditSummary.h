#pragma once
// What an audit (apply --check) found, in the three states that monitoring
// counts: a module in sync holds its prepared settings, a drifted one differs
// from them, and an unreachable one could not be compared (silent, missing,
// failing, or sharing its MAC with another).

#include <string>
#include <vector>

#include "cli/Report.h"

namespace lumiq::cli {

enum class AuditState : unsigned char { InSync, Drifted, Unreachable };

struct AuditedModule {
    const ModuleRow* row = nullptr;
    AuditState state = AuditState::Unreachable;
    std::string mac;  // its MAC text, or the target as given when none answered to it
    std::string name; // what it is to be called, or is called; empty when neither is known
};

struct AuditSummary {
    std::vector<AuditedModule> modules; // in the report's order
    int inSync = 0;
    int drifted = 0;
    int unreachable = 0;
    // Every module it was to was compared (exit status 0 or 1), so the
    // counts are the whole truth.
    bool complete = false;
};

AuditSummary SummarizeAudit(const Report& report);

} // namespace lumiq::cli
