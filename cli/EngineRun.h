#pragma once
// The engine's run on the Qt loop, with the options the command line gives.

#include <string_view>
#include <vector>

#include "cli/Request.h"
#include "cli/WorkLoop.h"
#include "fleet/FleetEngine.h"

namespace lumiq::cli {

// The options the command line gives, over the engine's defaults.
fleet::EngineOptions EngineOptionsOf(const Request& request, std::vector<std::uint32_t> ownAddresses);

// Runs every session to its end, `command` naming the work on the progress
// line; false after Ctrl+C (the engine is cancelled then, its records kept).
bool RunEngine(fleet::FleetEngine& engine, std::string_view command, WorkLoop& loop);

} // namespace lumiq::cli
