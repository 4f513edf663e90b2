// lumiq apply --check --nagios: the audit as a monitoring plugin's one status
// line, performance data after "|". apply --check's exit statuses already
// have the plugin meanings 0 OK, 1 WARNING (drift), 2 CRITICAL (a module not
// compared); main makes a run that ended early or was interrupted 3 UNKNOWN.

#include <ostream>

#include "cli/AuditSummary.h"
#include "cli/ReportOutput.h"
#include "cli/TerminalText.h"

namespace lumiq::cli {
namespace {

// A plugin's output is one line and "|" begins its performance data, so
// texts from modules and files are escaped, "|" too.
std::string LineText(std::string_view text) {
    std::string shown;
    for (const char c : TerminalText(text)) {
        if (c == '|')
            shown += "\\x7c";
        else
            shown += c;
    }
    return shown;
}

// "02:4c:51:00:00:01 (Press-01), 02:4c:51:00:00:02 and 3 more"
std::string Listed(const AuditSummary& summary, AuditState state) {
    constexpr int kMostListed = 5;
    std::string list;
    int listed = 0;
    int more = 0;
    for (const AuditedModule& module : summary.modules) {
        if (module.state != state)
            continue;
        if (listed == kMostListed) {
            ++more;
            continue;
        }
        std::string one = module.mac;
        if (!module.name.empty())
            one += " (" + module.name + ")";
        if (state == AuditState::Unreachable)
            one += " " + std::string(StatusName(module.row->status));
        list += (listed++ == 0 ? "" : ", ") + one;
    }
    if (more > 0)
        list += " and " + std::to_string(more) + " more";
    return list;
}

std::string Modules(int count) {
    return std::to_string(count) + (count == 1 ? " module" : " modules");
}

} // namespace

void WriteNagios(const Report& report, std::ostream& out) {
    const AuditSummary summary = SummarizeAudit(report);
    const int all = summary.inSync + summary.drifted + summary.unreachable;
    std::string line;
    if (!report.error.empty() || report.interrupted) {
        line = "LUMIQ UNKNOWN - " + (report.interrupted ? std::string("interrupted") : report.error);
    } else if (all == 0) {
        line = "LUMIQ CRITICAL - no module answered";
    } else if (summary.unreachable > 0) {
        line = "LUMIQ CRITICAL - " + Modules(summary.unreachable) + " of " + std::to_string(all) +
               " not compared: " + Listed(summary, AuditState::Unreachable);
        if (summary.drifted > 0)
            line +=
                "; " + std::to_string(summary.drifted) + " drifted: " + Listed(summary, AuditState::Drifted);
    } else if (summary.drifted > 0) {
        line = "LUMIQ WARNING - " + Modules(summary.drifted) + " of " + std::to_string(all) +
               " drifted: " + Listed(summary, AuditState::Drifted);
    } else {
        line = "LUMIQ OK - " + Modules(summary.inSync) + " in sync";
    }
    out << LineText(line) << " | in_sync=" << summary.inSync << ";;;0 drifted=" << summary.drifted
        << ";;;0 unreachable=" << summary.unreachable << ";;;0\n";
}

} // namespace lumiq::cli
