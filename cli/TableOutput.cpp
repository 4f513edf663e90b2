#include <QByteArray>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/DoctorOutput.h"
#include "cli/ReportOutput.h"
#include "cli/TerminalText.h"
#include "cli/TextWidth.h"
#include "fleet/PreparedSettings.h"
#include "state/AddressText.h"

namespace lumiq::cli {
namespace {

using Line = std::vector<std::string>;

std::string Upper(std::string_view text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size())).toUpper().toStdString();
}

std::string Shown(const std::string& text) {
    return text.empty() ? "-" : text;
}

std::vector<std::size_t> ColumnWidths(const std::vector<Line>& lines) {
    std::vector<std::size_t> widths;
    for (const Line& line : lines) {
        widths.resize(std::max(widths.size(), line.size()), 0);
        for (std::size_t i = 0; i < line.size(); ++i)
            widths[i] = std::max(widths[i], TextWidth(line[i]));
    }
    return widths;
}

// Columns padded to their widest cell, two blanks apart; the last one unpadded.
// Cells hold texts from modules and files: each is shown escaped.
std::vector<std::string> Aligned(const std::vector<Line>& lines) {
    const std::vector<std::size_t> widths = ColumnWidths(lines);
    std::vector<std::string> texts;
    for (const Line& line : lines) {
        std::string text;
        for (std::size_t i = 0; i < line.size(); ++i) {
            text += TerminalText(line[i]);
            if (i + 1 < line.size())
                text.append(widths[i] - TextWidth(line[i]) + 2, ' ');
        }
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        texts.push_back(std::move(text));
    }
    return texts;
}

// The columns the widest of the aligned lines takes on a terminal.
std::size_t AlignedWidth(const std::vector<Line>& lines) {
    const std::vector<std::size_t> widths = ColumnWidths(lines);
    std::size_t widest = 0;
    for (const Line& line : lines) {
        std::size_t width = 0;
        for (std::size_t i = 0; i < line.size(); ++i)
            width += i + 1 < line.size() ? widths[i] + 2 : TextWidth(line[i]);
        widest = std::max(widest, width);
    }
    return widest;
}

void WriteAligned(const std::vector<Line>& lines, std::ostream& out) {
    for (const std::string& text : Aligned(lines))
        out << text << '\n';
}

std::string Flags(const SearchReport& search) {
    std::string flags;
    if (search.duplicateMac)
        flags = "duplicate MAC";
    if (search.duplicateIp)
        flags += std::string(flags.empty() ? "" : ", ") + "duplicate IP";
    return flags;
}

void WriteAdapters(const Report& report, std::ostream& out) {
    std::vector<Line> lines{{"NAME", "ADDRESS", "BROADCAST", "MAC", "STATE"}};
    for (const Adapter& adapter : report.adapters) {
        std::string state = adapter.up ? "up" : "down";
        if (!adapter.canBroadcast)
            state += ", no broadcast";
        lines.push_back({adapter.name, IpToText(adapter.address) + "/" + std::to_string(adapter.prefix),
                         adapter.broadcast != 0 ? IpToText(adapter.broadcast) : "-", Shown(adapter.macText),
                         state});
    }
    WriteAligned(lines, out);
}

void WriteFound(const Report& report, std::ostream& out) {
    std::vector<Line> lines{{"MAC", "ADDRESS", "ADAPTER", "REPLY", "FLAGS"}};
    for (const ModuleRow& row : report.modules) {
        const SearchReport& search = *row.search;
        lines.push_back(
            {row.mac, row.address, row.adapter, search.byBroadcast ? "broadcast" : "unicast", Flags(search)});
    }
    WriteAligned(lines, out);
}

std::string MacShown(const ModuleRow& row) {
    return Shown(row.mac) + (row.macBefore.empty() ? "" : " (was " + row.macBefore + ")");
}

bool HasDetails(const Report& report) {
    return std::any_of(report.modules.begin(), report.modules.end(),
                       [](const ModuleRow& row) { return !row.detail.empty(); });
}

bool Chosen(const Report& report, std::string_view column) {
    return std::find(report.chosenColumns.begin(), report.chosenColumns.end(), column) !=
           report.chosenColumns.end();
}

// The cell of a column read --columns chose; the MAC as the table shows it.
std::string ChosenCell(const ModuleRow& row, std::string_view column) {
    return column == KeyOf(Param::Mac) ? MacShown(row) : Shown(CellOf(row, column));
}

// One module: a parameter a line.
void WriteOne(const Report& report, const ModuleRow& row, std::ostream& out) {
    std::vector<Line> lines;
    if (!report.chosenColumns.empty()) {
        for (const std::string& column : report.chosenColumns)
            lines.push_back({column, ChosenCell(row, column)});
        if (!row.detail.empty() && !Chosen(report, fleet::ReportColumnName(fleet::ReportColumn::Detail)))
            lines.push_back({"detail", row.detail});
        WriteAligned(lines, out);
        return;
    }
    lines.push_back({"mac", MacShown(row)});
    if (!row.target.empty() && row.target != row.mac && row.target != row.address)
        lines.push_back({"target", row.target});
    lines.push_back({"address", Shown(row.address)});
    lines.push_back({"adapter", Shown(row.adapter)});
    lines.push_back({"status", std::string(StatusName(row.status))});
    if (!row.detail.empty())
        lines.push_back({"detail", row.detail});
    for (const Param param : report.columns)
        lines.push_back({std::string(KeyOf(param)), Shown(ValueOf(row.values, param))});
    WriteAligned(lines, out);
}

std::vector<Line> ManyLines(const Report& report) {
    const bool details =
        HasDetails(report) && !Chosen(report, fleet::ReportColumnName(fleet::ReportColumn::Detail));
    Line header;
    if (report.chosenColumns.empty()) {
        header = {"MAC", "ADDRESS", "ADAPTER", "STATUS"};
        for (const Param param : report.columns)
            header.push_back(Upper(KeyOf(param)));
    } else {
        for (const std::string& column : report.chosenColumns)
            header.push_back(Upper(column));
    }
    if (details)
        header.push_back("DETAIL");
    std::vector<Line> lines{header};
    for (const ModuleRow& row : report.modules) {
        Line line;
        if (report.chosenColumns.empty()) {
            line = {MacShown(row), Shown(row.address), Shown(row.adapter),
                    std::string(StatusName(row.status))};
            for (const Param param : report.columns)
                line.push_back(Shown(ValueOf(row.values, param)));
        } else {
            for (const std::string& column : report.chosenColumns)
                line.push_back(ChosenCell(row, column));
        }
        if (details)
            line.push_back(row.detail);
        lines.push_back(std::move(line));
    }
    return lines;
}

// Many modules: a module a line, the parameters as columns. A table wider
// than the terminal would break every row in two: then a module a block, as
// one module is shown, a blank line between two.
void WriteMany(const Report& report, std::size_t width, std::ostream& out) {
    const std::vector<Line> lines = ManyLines(report);
    if (width == 0 || AlignedWidth(lines) <= width) {
        WriteAligned(lines, out);
        return;
    }
    for (std::size_t i = 0; i < report.modules.size(); ++i) {
        if (i > 0)
            out << '\n';
        WriteOne(report, report.modules[i], out);
    }
}

std::string Listed(const std::vector<std::string>& items) {
    return items.empty() ? "nothing" : Joined(items, ", ");
}

// Refused, timed out, failed or cancelled: the writes may stop half-way.
bool EndedEarly(ModuleStatus status) {
    return status != ModuleStatus::Applied && status != ModuleStatus::Mismatch &&
           status != ModuleStatus::Unchanged && status != ModuleStatus::Differs;
}

// A module a line; below it what differed, "parameter: now → wanted", and
// for a module that ended early what was written and what was not.
void WriteApply(const Report& report, std::ostream& out) {
    std::vector<Line> lines{{"MAC", "ADDRESS", "ADAPTER", "STATUS", "DETAIL"}};
    for (const ModuleRow& row : report.modules)
        lines.push_back({MacShown(row), Shown(row.address), Shown(row.adapter),
                         std::string(StatusName(row.status)), row.detail});
    const std::vector<std::string> texts = Aligned(lines);
    out << texts.front() << '\n';
    for (std::size_t i = 0; i < report.modules.size(); ++i) {
        out << texts[i + 1] << '\n';
        const ApplyReport& apply = *report.modules[i].apply;
        for (const fleet::Difference& change : apply.changes)
            out << "  " << KeyOf(change.param) << ": " << TerminalText(Shown(change.now)) << " → "
                << TerminalText(change.wanted) << '\n';
        if (!EndedEarly(report.modules[i].status) ||
            (apply.written.empty() && apply.notWritten.empty() && apply.unconfirmed.empty()))
            continue;
        out << "  written: " << TerminalText(Listed(apply.written)) << '\n';
        // Sent, and no answer told whether the module took it.
        if (!apply.unconfirmed.empty())
            out << "  unconfirmed: " << TerminalText(Listed(apply.unconfirmed)) << '\n';
        out << "  not written: " << TerminalText(Listed(apply.notWritten)) << '\n';
    }
    for (const fleet::ProfileOverride& override : report.overrides)
        out << TerminalText(fleet::DescribeOverride(override)) << '\n';
}

} // namespace

void WriteTable(const Report& report, std::ostream& out) {
    switch (report.form) {
    case ReportForm::Adapters:
        WriteAdapters(report, out);
        break;
    case ReportForm::Found:
        if (!report.modules.empty())
            WriteFound(report, out);
        break;
    case ReportForm::Findings:
        WriteFindings(report.findings, out);
        break;
    case ReportForm::Bundle:
        WriteBundle(report, out);
        break;
    case ReportForm::Apply:
        if (!report.modules.empty())
            WriteApply(report, out);
        break;
    case ReportForm::Values:
    case ReportForm::Writes:
        if (report.modules.size() == 1) {
            WriteOne(report, report.modules.front(), out);
        } else if (!report.modules.empty()) {
            WriteMany(report, OutputWidth(), out);
        }
        break;
    case ReportForm::Streamed:
        break;
    }
}

void WriteReport(const Report& report, Format format, std::ostream& out) {
    if (report.form == ReportForm::Streamed)
        return;
    switch (format) {
    case Format::Table:
        WriteTable(report, out);
        break;
    case Format::Json:
        WriteJson(report, out);
        break;
    case Format::Csv:
        WriteCsv(report, out);
        break;
    case Format::Nagios:
        WriteNagios(report, out);
        break;
    }
    out.flush();
}

} // namespace lumiq::cli
