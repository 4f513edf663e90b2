#pragma once
// What a run found and did, module by module, as the three outputs (table,
// JSON, CSV) show it. Rows are copies: nothing points into the engine.

#include <optional>
#include <string>
#include <vector>

#include "cli/ModuleStatus.h"
#include "cli/Request.h"
#include "device/ModuleValues.h"
#include "doctor/DoctorFinding.h"
#include "fleet/ApplyPlan.h"
#include "fleet/ModuleSearch.h"
#include "fleet/PreparedSettings.h"
#include "fleet/Session.h"
#include "fleet/WriteOutcome.h"
#include "net/AdapterList.h"

namespace lumiq::cli {

struct StepReport {
    std::string step;    // "query name", "set ip", "factory default", ...
    std::string outcome; // "ok", "refused", "timeout", ...
    int sends = 0;
    std::string reply; // the last reply's first line, UTF-8
    std::string error;
    fleet::Millis startedMs = 0; // from the start of the run
    fleet::Millis endedMs = 0;
};

struct SearchReport {
    std::uint16_t port = 0;
    bool byBroadcast = false;
    int replies = 0;
    bool duplicateMac = false;
    bool duplicateIp = false;
    fleet::Millis firstMs = 0; // first answer, from the start of the search
};

// What an apply found different, wrote, and read back.
struct ApplyReport {
    std::vector<fleet::Difference> changes;    // before anything was written
    std::vector<fleet::Difference> mismatches; // after the read-back; `now` is what was read
    std::vector<std::string> written;          // "set port=7000", confirmed by the module
    std::vector<std::string> notWritten;       // "port=7000", when the module ended first or refused it
    std::vector<std::string> unconfirmed;      // "port=7000", sent and neither answered nor read back
};

struct ModuleRow {
    std::string mac;       // the MAC text it answers to now
    std::string macBefore; // when a set changed it
    std::string target;    // as named on the command line; empty for `all`
    std::string address;   // the address it answered from
    std::string adapter;   // the adapter it answered on, or the serial port
    ModuleStatus status = ModuleStatus::Ok;
    std::string detail;                    // why it did not succeed, in words
    ModuleValues values;                   // as the module reported or confirmed them
    std::vector<fleet::ValueWrite> writes; // set: what became of each value
    std::optional<StepReport> failure;
    std::vector<StepReport> steps;
    std::optional<SearchReport> search;
    std::optional<ApplyReport> apply;
};

struct BundlePart {
    std::string name; // inside the archive
    std::uintmax_t bytes = 0;
};

// What a report holds, and so how the table, JSON and CSV lay it out.
enum class ReportForm : unsigned char {
    Adapters, // the host's adapters
    Found,    // the modules a search found
    Findings, // the doctor's
    Bundle,   // the support bundle's parts
    Values,   // modules' values: read, get, default
    Writes,   // the values and what became of each one written: set
    Apply,    // what differed, was written and read back: apply
    Streamed  // written by the run as it went: commission
};

struct Report {
    std::string command; // the subcommand's name
    ReportForm form = ReportForm::Found;
    std::vector<Param> columns; // the parameters shown, in order
    // read --columns: the table's and the CSV's columns, in order, each a
    // name of ChoosableColumns(); empty: the form's own.
    std::vector<std::string> chosenColumns;
    std::vector<ModuleRow> modules;
    std::vector<Adapter> adapters;         // `lumiq adapters`, `lumiq doctor`
    std::vector<doctor::Finding> findings; // `lumiq doctor`
    std::string bundlePath;                // `lumiq support-bundle`: the archive written, and its parts
    std::vector<BundlePart> bundleParts;
    bool interrupted = false;
    bool dryRun = false;                           // apply --check
    std::vector<fleet::ProfileOverride> overrides; // apply: profile values the identity table put aside
    int exitStatus = 0;
    std::string error; // why a run ended early, as stderr said it
    std::optional<fleet::Millis> searchMs;
    std::optional<fleet::Millis> workMs;
};

// A row from a module's session at the end of (or during) a run.
ModuleRow RowOf(const fleet::Session& session, fleet::Millis origin);
// A row for a module of a search.
ModuleRow RowOf(const fleet::FoundModule& module, fleet::Millis origin);
// "set dport refused, reply \"ERROR\"", "query name timeout after 4 sends"
std::string DescribeFailure(const StepReport& step);
// What --columns may name: every parameter's key, then what the run says of
// a module ("address", "adapter", "status", "detail").
const std::vector<std::string>& ChoosableColumns();
// A row's cell in a column of ChoosableColumns(), as the CSV writes it.
std::string CellOf(const ModuleRow& row, std::string_view column);
// The items one after another, `separator` between two.
std::string Joined(const std::vector<std::string>& items, std::string_view separator);

} // namespace lumiq::cli
