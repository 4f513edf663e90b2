#pragma once
// The doctor's findings and the support bundle's parts, as the table and the
// JSON document show them.

#include <nlohmann/json.hpp>

#include <ostream>
#include <vector>

#include "cli/Report.h"

namespace lumiq::cli {

// A finding a line: verdict, check, summary; below it, indented, its facts
// and "remedy: COMMAND".
void WriteFindings(const std::vector<doctor::Finding>& findings, std::ostream& out);
// The archive's path, then its parts with their sizes.
void WriteBundle(const Report& report, std::ostream& out);

nlohmann::ordered_json FindingsJson(const std::vector<doctor::Finding>& findings);

} // namespace lumiq::cli
