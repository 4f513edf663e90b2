#include "cli/AuditSummary.h"

#include "cli/ExitStatus.h"

namespace lumiq::cli {
namespace {

AuditState StateOf(const ModuleRow& row) {
    switch (row.status) {
    case ModuleStatus::Unchanged:
        return AuditState::InSync;
    case ModuleStatus::Differs:
        return AuditState::Drifted;
    default:
        return AuditState::Unreachable;
    }
}

// The name it is to be given when that differs (a rename is drift, and the
// series should keep the name it is meant to have), else the name it holds.
std::string NameOf(const ModuleRow& row) {
    if (row.apply) {
        for (const fleet::Difference& change : row.apply->changes) {
            if (change.param == Param::Name)
                return change.wanted;
        }
    }
    return ValueOf(row.values, Param::Name);
}

} // namespace

AuditSummary SummarizeAudit(const Report& report) {
    AuditSummary summary;
    for (const ModuleRow& row : report.modules) {
        const AuditState state = StateOf(row);
        summary.modules.push_back(
            AuditedModule{&row, state, row.mac.empty() ? row.target : row.mac, NameOf(row)});
        switch (state) {
        case AuditState::InSync:
            ++summary.inSync;
            break;
        case AuditState::Drifted:
            ++summary.drifted;
            break;
        case AuditState::Unreachable:
            ++summary.unreachable;
            break;
        }
    }
    summary.complete = !report.interrupted && report.error.empty() &&
                       (report.exitStatus == kExitOk || report.exitStatus == kExitFailed);
    return summary;
}

} // namespace lumiq::cli
