#include "cli/AuditMetrics.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "cli/AuditSummary.h"
#include "cli/TerminalText.h"
#include "fleet/InputFile.h"
#include "state/AtomicFile.h"

namespace lumiq::cli {
namespace {

constexpr std::string_view kLastSuccess = "lumiq_audit_last_success_timestamp_seconds";

std::string Number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

// A label's value as the text format wants it: names come from modules, so
// control characters and bytes that are not UTF-8 are first written out as
// \xNN texts (which the format then keeps as they are, backslash doubled).
std::string LabelValue(std::string_view text) {
    std::string escaped;
    for (const char c : TerminalText(text)) {
        if (c == '\\' || c == '"')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// The last success the previous file tells, when it tells one that makes sense.
std::optional<double> LastSuccessIn(std::string_view previous) {
    std::size_t at = 0;
    while (at < previous.size()) {
        std::size_t end = previous.find('\n', at);
        if (end == std::string_view::npos)
            end = previous.size();
        const std::string_view line = previous.substr(at, end - at);
        at = end + 1;
        if (line.size() <= kLastSuccess.size() || line.substr(0, kLastSuccess.size()) != kLastSuccess ||
            line[kLastSuccess.size()] != ' ')
            continue;
        const std::string number(line.substr(kLastSuccess.size() + 1));
        char* rest = nullptr;
        errno = 0;
        const double value = std::strtod(number.c_str(), &rest);
        if (errno == 0 && rest != number.c_str() && *rest == '\0' && std::isfinite(value) && value > 0)
            return value;
    }
    return std::nullopt;
}

void Metric(std::string& text, std::string_view name, std::string_view help) {
    text.append("# HELP ").append(name).append(" ").append(help).append("\n");
    text.append("# TYPE ").append(name).append(" gauge\n");
}

// What the file held, read as any file lumiq is handed: only a regular file
// of sensible size, so that nothing else is ever replaced.
std::string PreviousContents(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 && errno == ENOENT)
        return {};
    try {
        return fleet::ReadInputFile(path, "a metrics file");
    } catch (const fleet::InputError& error) {
        throw std::runtime_error(error.what());
    }
}

} // namespace

std::string AuditMetricsText(const Report& report, double endedAt, std::string_view previous) {
    const AuditSummary summary = SummarizeAudit(report);
    std::string text;
    Metric(text, "lumiq_audit_last_run_timestamp_seconds", "When the last audit ended, as a Unix time.");
    text.append("lumiq_audit_last_run_timestamp_seconds ").append(Number(endedAt)).append("\n");

    const std::optional<double> lastSuccess = summary.complete ? endedAt : LastSuccessIn(previous);
    if (lastSuccess) {
        Metric(text, kLastSuccess, "When an audit last compared every module it was to, as a Unix time.");
        text.append(kLastSuccess).append(" ").append(Number(*lastSuccess)).append("\n");
    }
    Metric(text, "lumiq_audit_success",
           "1 when the last audit compared every module it was to, 0 when it could not.");
    text.append("lumiq_audit_success ").append(summary.complete ? "1" : "0").append("\n");
    Metric(text, "lumiq_audit_exit_status", "The exit status of the last audit (see lumiq(1)).");
    text.append("lumiq_audit_exit_status ").append(std::to_string(report.exitStatus)).append("\n");
    const double seconds =
        static_cast<double>(report.searchMs.value_or(0) + report.workMs.value_or(0)) / 1000.0;
    Metric(text, "lumiq_audit_duration_seconds", "How long the last audit searched and compared.");
    text.append("lumiq_audit_duration_seconds ").append(Number(seconds)).append("\n");

    Metric(text, "lumiq_audit_modules",
           "Modules of the last audit: in sync with their prepared settings, drifted from them, or "
           "unreachable (not compared).");
    text.append("lumiq_audit_modules{state=\"in_sync\"} ")
        .append(std::to_string(summary.inSync))
        .append("\n");
    text.append("lumiq_audit_modules{state=\"drifted\"} ")
        .append(std::to_string(summary.drifted))
        .append("\n");
    text.append("lumiq_audit_modules{state=\"unreachable\"} ")
        .append(std::to_string(summary.unreachable))
        .append("\n");

    std::string drift;
    std::string reachable;
    for (const AuditedModule& module : summary.modules) {
        const std::string labels =
            "{mac=\"" + LabelValue(module.mac) + "\",name=\"" + LabelValue(module.name) + "\"} ";
        reachable += "lumiq_audit_module_reachable" + labels +
                     (module.state == AuditState::Unreachable ? "0" : "1") + "\n";
        // A module not compared has no drift to tell: its series is left out.
        if (module.state != AuditState::Unreachable)
            drift += "lumiq_audit_module_drifted" + labels +
                     (module.state == AuditState::Drifted ? "1" : "0") + "\n";
    }
    Metric(text, "lumiq_audit_module_drifted",
           "1 when the module differs from its prepared settings, 0 when it holds them.");
    text += drift;
    Metric(text, "lumiq_audit_module_reachable", "1 when the module answered and was compared, 0 when not.");
    text += reachable;

    Metric(text, "lumiq_info", "The lumiq that wrote these metrics.");
    text.append("lumiq_info{version=\"").append(LabelValue(LUMIQ_VERSION)).append("\"} 1\n");
    return text;
}

void WriteAuditMetrics(const std::string& path, const Report& report) {
    const std::string previous = PreviousContents(path);
    const double now =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    try {
        ReplaceFileContents(path, AuditMetricsText(report, now, previous));
    } catch (const std::system_error& error) {
        throw std::runtime_error(path + ": " + error.what());
    }
}

} // namespace lumiq::cli
