#pragma once
// The report on stdout: an aligned table for people, one JSON document, or
// CSV with one row per module (columns named by parameter key, so that the
// CSV of `read` can be edited and fed back).

#include <ostream>

#include "cli/Report.h"

namespace lumiq::cli {

// The version of the JSON document's shape (cli/lumiq-output.schema.json).
inline constexpr int kOutputSchemaVersion = 1;

void WriteTable(const Report& report, std::ostream& out);
void WriteJson(const Report& report, std::ostream& out);
void WriteCsv(const Report& report, std::ostream& out);
// apply --check --nagios: one status line with performance data.
void WriteNagios(const Report& report, std::ostream& out);

void WriteReport(const Report& report, Format format, std::ostream& out);

} // namespace lumiq::cli
