// The target list of --targets as a user may have written or exported it:
// MAC texts and addresses a line, blanks, commas and comments, or a CSV
// table with a mac column, as `lumiq read --csv` writes it.
//
// Input: the bytes of one file.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "base/AsciiText.h"
#include "cli/ExitStatus.h"
#include "cli/Targets.h"
#include "fleet/CsvText.h"
#include "fuzz/FuzzSupport.h"

namespace {

using namespace lumiq::cli;
using lumiq::fuzz::Require;

void CheckTargets(const std::vector<Target>& targets) {
    std::set<std::pair<Target::Kind, std::string>> seen;
    for (const Target& target : targets) {
        Require(seen.emplace(target.kind, target.canonical).second, "each target is listed once");
        // A target's canonical text names the same target.
        const Target again = ParseTarget(target.kind == Target::Kind::All ? "all" : target.canonical);
        Require(again.kind == target.kind && again.canonical == target.canonical && again.ip == target.ip,
                "a target's canonical text parses back to it");
        Require(lumiq::AsciiLowered(target.canonical) == target.canonical, "canonical texts are lower case");
    }
}

// Whatever rows a CSV text holds, written out and read back they are the same
// rows: a guarded cell loses its guard again, and nothing else changes.
void CheckCsvRoundTrip(const std::string& text) {
    std::vector<lumiq::fleet::CsvRow> rows;
    try {
        rows = lumiq::fleet::ParseCsv(text);
    } catch (const lumiq::fleet::CsvError&) {
        return;
    }
    // A byte-order mark first, as spreadsheets write: a first cell that starts with one keeps it.
    std::string written = "\xEF\xBB\xBF";
    std::vector<std::vector<std::string>> kept;
    for (const lumiq::fleet::CsvRow& row : rows) {
        if (row.fields.size() == 1 && row.fields.front().empty())
            continue; // written as an empty line
        written += lumiq::fleet::CsvLine(row.fields);
        kept.push_back(row.fields);
    }
    const std::vector<lumiq::fleet::CsvRow> again = lumiq::fleet::ParseCsv(written);
    Require(again.size() == kept.size(), "written rows read back as many rows");
    for (std::size_t i = 0; i < kept.size(); ++i)
        Require(again[i].fields == kept[i], "written cells read back");
    // No cell reaches a spreadsheet starting as a formula.
    for (const std::vector<std::string>& fields : kept) {
        for (const std::string& field : fields) {
            if (field.empty() || std::string_view("=+-@\t\r").find(field.front()) == std::string_view::npos)
                continue;
            const std::string cell = lumiq::fleet::CsvLine({field});
            Require(cell.starts_with("'") || cell.starts_with("\"'"), "a formula-like cell is guarded");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        CheckTargets(ParseTargetsText(text, "targets.txt"));
    } catch (const UsageError& error) {
        Require(std::string(error.what()).starts_with("targets.txt:"), "an error names the file and line");
    }
    CheckCsvRoundTrip(text);
    return 0;
}
