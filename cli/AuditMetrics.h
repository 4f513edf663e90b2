#pragma once
// lumiq apply --check --metrics FILE: the audit's result in Prometheus's text
// format, for node exporter's textfile collector (Debian's reads
// /var/lib/prometheus/node-exporter/*.prom). The file is replaced whole, so
// the collector never reads half of it.

#include <string>
#include <string_view>

#include "cli/Report.h"

namespace lumiq::cli {

// The metrics of an audit that ended with `report` at `endedAt` (a Unix time
// in seconds). `previous` is what the file held before: its last success is
// kept when this run did not compare every module.
std::string AuditMetricsText(const Report& report, double endedAt, std::string_view previous);

// Writes them over `path`, now. A path that exists and is not a regular file
// (a folder, a FIFO, a device), or is larger than any file lumiq reads, is
// refused. Throws std::runtime_error.
void WriteAuditMetrics(const std::string& path, const Report& report);

} // namespace lumiq::cli
