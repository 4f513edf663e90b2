#pragma once
// Comma-separated text as spreadsheets write it (RFC 4180): fields with a
// comma, a quote or a line break are quoted, quotes doubled. The reader
// keeps the line each row starts on, so that errors can name it.
//
// A spreadsheet runs a cell that starts with =, +, -, @, a tab or a CR as a
// formula: a module's name "=HYPERLINK(...)" would become a live link. Such
// a cell is written with a single quote before it, which spreadsheets show
// and never run, and so is a cell that starts with a single quote itself.
// The reader takes exactly that quote away again (a single quote followed by
// one of those characters or by another single quote), so that every text
// comes back as it was written; a single quote before anything else is the
// cell's own.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lumiq::fleet {

// One row, ended by "\n"; formula-like cells guarded.
std::string CsvLine(const std::vector<std::string>& fields);

struct CsvRow {
    int line = 0; // 1-based line of the row's first character
    std::vector<std::string> fields;
};

class CsvError : public std::runtime_error {
public:
    CsvError(int line, const std::string& what) : std::runtime_error(what), line_(line) {}
    int line() const { return line_; }

private:
    int line_;
};

// The separator a file uses, told by its header line: a spreadsheet saves
// "CSV" with ";" where the decimal mark is a comma, and "text" with tabs.
// The one of ",", ";" and tab that the header line holds most often outside
// quotes; "," for a line with none.
char CsvSeparatorOf(std::string_view text);

// Rows of `text`, fields split at `separator`; empty lines are skipped, a
// leading UTF-8 byte-order mark and CRLF line ends are taken, guarded cells
// unguarded. Throws CsvError for a quote left open or text after a closing
// quote.
std::vector<CsvRow> ParseCsv(std::string_view text, char separator);
// Split at the separator the header line tells.
std::vector<CsvRow> ParseCsv(std::string_view text);

} // namespace lumiq::fleet
