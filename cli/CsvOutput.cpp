#include <algorithm>

#include "cli/ReportOutput.h"
#include "fleet/CsvText.h"
#include "fleet/PreparedSettings.h"
#include "state/AddressText.h"

namespace lumiq::cli {
namespace {

using Fields = std::vector<std::string>;

const char* YesNo(bool value) {
    return value ? "yes" : "no";
}

void WriteAdapters(const Report& report, std::ostream& out) {
    out << fleet::CsvLine({"name", "index", "address", "prefix", "broadcast", "mac", "up", "can_broadcast"});
    for (const Adapter& adapter : report.adapters) {
        out << fleet::CsvLine({adapter.name, std::to_string(adapter.index), IpToText(adapter.address),
                               std::to_string(adapter.prefix),
                               adapter.broadcast != 0 ? IpToText(adapter.broadcast) : "", adapter.macText,
                               YesNo(adapter.up), YesNo(adapter.canBroadcast)});
    }
}

void WriteFound(const Report& report, std::ostream& out) {
    out << fleet::CsvLine(
        {"mac", "address", "port", "adapter", "reply", "replies", "duplicate_mac", "duplicate_ip"});
    for (const ModuleRow& row : report.modules) {
        const SearchReport& search = *row.search;
        out << fleet::CsvLine({row.mac, row.address, std::to_string(search.port), row.adapter,
                               search.byBroadcast ? "broadcast" : "unicast", std::to_string(search.replies),
                               YesNo(search.duplicateMac), YesNo(search.duplicateIp)});
    }
}

std::string Changes(const ApplyReport& apply) {
    std::vector<std::string> changes;
    for (const fleet::Difference& change : apply.changes)
        changes.push_back(std::string(KeyOf(change.param)) + ": " + change.now + " → " + change.wanted);
    return Joined(changes, "; ");
}

// read --columns: the columns chosen, mac first when among them, so that the
// CSV stays an identity table keyed by mac.
void WriteChosen(const Report& report, std::ostream& out) {
    Fields header = report.chosenColumns;
    const auto mac = std::find(header.begin(), header.end(), KeyOf(Param::Mac));
    if (mac != header.end())
        std::rotate(header.begin(), mac, mac + 1);
    out << fleet::CsvLine(header);
    for (const ModuleRow& row : report.modules) {
        Fields fields;
        for (const std::string& column : header)
            fields.push_back(CellOf(row, column));
        out << fleet::CsvLine(fields);
    }
}

// mac first and the parameters by key, then what the run says about each
// module in the columns an identity table leaves alone: the table can be
// edited and fed back keyed by mac.
void WriteModules(const Report& report, std::ostream& out) {
    using fleet::ReportColumn;
    const bool apply = report.form == ReportForm::Apply;
    const bool macChanges = apply || report.form == ReportForm::Writes;
    Fields header{std::string(KeyOf(Param::Mac))};
    for (const Param param : report.columns)
        header.emplace_back(KeyOf(param));
    std::vector<ReportColumn> columns{ReportColumn::Address, ReportColumn::Adapter, ReportColumn::Status,
                                      ReportColumn::Detail};
    if (macChanges)
        columns.push_back(ReportColumn::MacBefore);
    if (apply) {
        columns.insert(columns.end(), {ReportColumn::Changes, ReportColumn::Written, ReportColumn::NotWritten,
                                       ReportColumn::Unconfirmed});
    }
    for (const ReportColumn column : columns)
        header.emplace_back(fleet::ReportColumnName(column));
    out << fleet::CsvLine(header);
    for (const ModuleRow& row : report.modules) {
        Fields fields{row.mac};
        for (const Param param : report.columns)
            fields.push_back(ValueOf(row.values, param));
        fields.insert(fields.end(),
                      {row.address, row.adapter, std::string(StatusName(row.status)), row.detail});
        if (macChanges)
            fields.push_back(row.macBefore);
        if (apply) {
            const ApplyReport& done = *row.apply;
            fields.insert(fields.end(), {Changes(done), Joined(done.written, "; "),
                                         Joined(done.notWritten, "; "), Joined(done.unconfirmed, "; ")});
        }
        out << fleet::CsvLine(fields);
    }
}

} // namespace

void WriteCsv(const Report& report, std::ostream& out) {
    if (report.form == ReportForm::Adapters) {
        WriteAdapters(report, out);
    } else if (report.form == ReportForm::Found) {
        WriteFound(report, out);
    } else if (!report.chosenColumns.empty()) {
        WriteChosen(report, out);
    } else {
        WriteModules(report, out);
    }
}

} // namespace lumiq::cli
