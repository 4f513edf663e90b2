#pragma once
// What became of a module in a run, one word as the table, the JSON document
// and the CSV show it.

#include <string_view>

namespace lumiq::fleet {
enum class ApplyResult : unsigned char;
}

namespace lumiq::cli {

enum class ModuleStatus : unsigned char {
    Found,     // it answered the search
    Ok,        // did all that was asked; before the work, a target that names one module
    Failed,    // a step failed, or a value did not end as asked
    NotFound,  // no module answered the search as the target
    Ambiguous, // the target names several modules, or a MAC several share
    Cancelled, // the run was ended first
    // apply: fleet::ApplyResult
    Unchanged, // nothing differed
    Applied,   // written and read back right
    Mismatch,  // read back otherwise than written
    Refused,   // a set answered without "OK"
    Timeout,   // no reply, resends used up
    Missing,   // asked for, not found
    Differs,   // --check: something would change
};

// "found", "ok", "not-found", ...; apply's as fleet::ApplyResultName.
std::string_view StatusName(ModuleStatus status);
ModuleStatus StatusOf(fleet::ApplyResult result);
// A module that --check finds different has done what was asked of it.
bool Succeeded(ModuleStatus status);

} // namespace lumiq::cli
