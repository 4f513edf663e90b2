#include "cli/ModuleStatus.h"

#include "fleet/ApplyPlan.h"

namespace lumiq::cli {

std::string_view StatusName(ModuleStatus status) {
    switch (status) {
    case ModuleStatus::Found:
        return "found";
    case ModuleStatus::Ok:
        return "ok";
    case ModuleStatus::Failed:
        return "failed";
    case ModuleStatus::NotFound:
        return "not-found";
    case ModuleStatus::Ambiguous:
        return "ambiguous";
    case ModuleStatus::Cancelled:
        return "cancelled";
    case ModuleStatus::Unchanged:
        return "unchanged";
    case ModuleStatus::Applied:
        return "applied";
    case ModuleStatus::Mismatch:
        return "mismatch";
    case ModuleStatus::Refused:
        return "refused";
    case ModuleStatus::Timeout:
        return "timeout";
    case ModuleStatus::Missing:
        return "missing";
    case ModuleStatus::Differs:
        return "differs";
    }
    return "unknown";
}

ModuleStatus StatusOf(fleet::ApplyResult result) {
    switch (result) {
    case fleet::ApplyResult::Unchanged:
        return ModuleStatus::Unchanged;
    case fleet::ApplyResult::Applied:
        return ModuleStatus::Applied;
    case fleet::ApplyResult::Mismatch:
        return ModuleStatus::Mismatch;
    case fleet::ApplyResult::Refused:
        return ModuleStatus::Refused;
    case fleet::ApplyResult::Timeout:
        return ModuleStatus::Timeout;
    case fleet::ApplyResult::Missing:
        return ModuleStatus::Missing;
    case fleet::ApplyResult::Failed:
        return ModuleStatus::Failed;
    case fleet::ApplyResult::Cancelled:
        return ModuleStatus::Cancelled;
    case fleet::ApplyResult::Differs:
        return ModuleStatus::Differs;
    }
    return ModuleStatus::Failed;
}

bool Succeeded(ModuleStatus status) {
    switch (status) {
    case ModuleStatus::Found:
    case ModuleStatus::Ok:
    case ModuleStatus::Unchanged:
    case ModuleStatus::Applied:
    case ModuleStatus::Differs:
        return true;
    default:
        return false;
    }
}

} // namespace lumiq::cli
