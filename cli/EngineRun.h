#pragma once
// What the engine does for a command, and the engine's run on the Qt loop.

#include <memory>
#include <string>

#include "cli/Report.h"
#include "cli/Request.h"
#include "cli/WorkLoop.h"
#include "fleet/FleetEngine.h"
#include "fleet/Plan.h"

namespace lumiq::cli {

// The options the command line gives, over the engine's defaults.
fleet::EngineOptions EngineOptionsOf(const Request& request, std::vector<std::uint32_t> ownAddresses);
// One module's plan: read all, query, set, or the factory default.
std::unique_ptr<fleet::Plan> PlanOf(const Request& request);

// Runs every session to its end; false after Ctrl+C (the engine is
// cancelled then, its records kept).
bool RunEngine(fleet::FleetEngine& engine, const Request& request, WorkLoop& loop);

// A set's row: what became of each value asked for, and a row that
// succeeded only when every one is confirmed.
void FinishSetRow(ModuleRow& row, const fleet::Session& session, const std::vector<Value>& asked);

} // namespace lumiq::cli
