#include "fleet/CsvText.h"

namespace lumiq::fleet {
namespace {

constexpr char kGuard = '\'';

bool RunsAsFormula(char first) {
    return first == '=' || first == '+' || first == '-' || first == '@' || first == '\t' || first == '\r';
}

std::string Guarded(const std::string& field) {
    if (field.empty() || (!RunsAsFormula(field.front()) && field.front() != kGuard))
        return field;
    return kGuard + field;
}

void Unguard(std::string& field) {
    if (field.size() >= 2 && field[0] == kGuard && (RunsAsFormula(field[1]) || field[1] == kGuard))
        field.erase(0, 1);
}

} // namespace

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        const std::string field = Guarded(fields[i]);
        // A leading blank would be lost to readers that trim. A semicolon or
        // tab is quoted too: the reader takes whichever of the three is most
        // frequent outside quotes in the first line as the separator.
        const bool quoted = field.find_first_of(",;\t\"\r\n") != std::string::npos ||
                            (!field.empty() && (field.front() == ' ' || field.back() == ' '));
        if (!quoted) {
            line += field;
            continue;
        }
        line += '"';
        for (const char c : field) {
            if (c == '"')
                line += '"';
            line += c;
        }
        line += '"';
    }
    line += '\n';
    return line;
}

char CsvSeparatorOf(std::string_view text) {
    constexpr std::string_view kSeparators = ",;\t"; // in the order a tie goes
    std::size_t counts[kSeparators.size()] = {};
    bool inQuotes = false;
    bool lineHasText = false; // empty lines before the header are skipped as the reader skips them
    for (const char c : text) {
        if (c == '"')
            inQuotes = !inQuotes;
        if (inQuotes)
            continue;
        if (c == '\n' || c == '\r') {
            if (lineHasText)
                break;
            continue;
        }
        lineHasText = true;
        const std::size_t which = kSeparators.find(c);
        if (which != std::string_view::npos)
            ++counts[which];
    }
    std::size_t best = 0;
    for (std::size_t i = 1; i < kSeparators.size(); ++i) {
        if (counts[i] > counts[best])
            best = i;
    }
    return kSeparators[best];
}

std::vector<CsvRow> ParseCsv(std::string_view text) {
    return ParseCsv(text, CsvSeparatorOf(text));
}

std::vector<CsvRow> ParseCsv(std::string_view text, char separator) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::vector<CsvRow> rows;
    CsvRow row;
    std::string field;
    int line = 1;
    bool inQuotes = false;
    bool afterQuote = false; // a quoted field has just closed
    bool rowHasText = false;
    row.line = 1;
    const auto endRow = [&]() {
        if (rowHasText) {
            Unguard(field);
            row.fields.push_back(std::move(field));
            rows.push_back(std::move(row));
        }
        row = CsvRow{};
        field.clear();
        rowHasText = false;
        afterQuote = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inQuotes) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                inQuotes = false;
                afterQuote = true;
            } else {
                if (c == '\n')
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == separator) {
            Unguard(field);
            row.fields.push_back(std::move(field));
            field.clear();
            rowHasText = true;
            afterQuote = false;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            endRow();
            ++line;
            row.line = line;
        } else if (afterQuote) {
            throw CsvError(line, "text after a closing quote");
        } else if (c == '"' && field.empty()) {
            if (!rowHasText)
                row.line = line;
            inQuotes = true;
            rowHasText = true;
        } else {
            if (!rowHasText)
                row.line = line;
            field += c;
            rowHasText = true;
        }
    }
    if (inQuotes)
        throw CsvError(row.line, "a quote is never closed");
    endRow();
    return rows;
}

} // namespace lumiq::fleet
