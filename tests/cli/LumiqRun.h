#pragma once
// What the lumiq tests share: running the program, checking its JSON against
// the schema, and counting the frames that wrote to a LAN's modules.

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/ProgramRun.h"
#include "tests/support/simbed/SimLan.h"

namespace lumiq::testbed {

// A program of the build tree: "/cli/lumiq", "/sim/lumiq-sim".
std::string BuiltProgram(const std::string& path);

// lumiq with these arguments, to its end.
ProgramResult Lumiq(std::vector<std::string> args, std::chrono::milliseconds limit = std::chrono::minutes(2));

// The document validates against cli/lumiq-output.schema.json.
void ExpectMatchesSchema(const std::string& document);

// Frames the LAN's modules took that write: "AT+KEY=value", not the query "AT+KEY=?".
std::size_t SetFramesTo(SimLan& lan);

} // namespace lumiq::testbed
