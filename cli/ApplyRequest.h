#pragma once
// The command line of `lumiq apply`: its options, and its files read and
// checked in full before anything is sent, also before the search.

#include <cstddef>

#include "cli/Request.h"

namespace CLI {
class App;
}

namespace lumiq::cli {

void AddApplyOptions(CLI::App& apply, Request& request);

// Loads the profile and the identity table (every value checked), takes the
// table's MACs as targets when none are named, and refuses what would give
// two modules one MAC or address. Throws UsageError naming file and line.
void PrepareApply(Request& request);

// Once the search tells how many modules the targets stand for.
void RefuseSharedIdentities(const Request& request, std::size_t modules);

}  // namespace lumiq::cli
