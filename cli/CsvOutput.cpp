#include "cli/ReportOutput.h"
#include "fleet/CsvText.h"
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
    out << fleet::CsvLine({"mac", "address", "port", "adapter", "reply", "replies", "duplicate_mac", "duplicate_ip"});
    for (const ModuleRow& row : report.modules) {
        const SearchReport& search = *row.search;
        out << fleet::CsvLine({row.mac, row.address, std::to_string(search.port), row.adapter,
                               search.byBroadcast ? "broadcast" : "unicast", std::to_string(search.replies),
                               YesNo(search.duplicateMac), YesNo(search.duplicateIp)});
    }
}

// mac first and the parameters by key, so that the table can be fed back
// keyed by mac; then what the run says about each module.
void WriteModules(const Report& report, std::ostream& out) {
    const bool set = report.command == Command::Set;
    Fields header{"mac"};
    for (const fleet::Param param : report.columns) header.emplace_back(fleet::KeyOf(param));
    header.insert(header.end(), {"address", "adapter", "status", "detail"});
    if (set) header.emplace_back("mac_before");
    out << fleet::CsvLine(header);
    for (const ModuleRow& row : report.modules) {
        Fields fields{row.mac};
        for (const fleet::Param param : report.columns) fields.push_back(fleet::ValueOf(row.values, param));
        fields.insert(fields.end(), {row.address, row.adapter, row.status, row.detail});
        if (set) fields.push_back(row.macBefore);
        out << fleet::CsvLine(fields);
    }
}

}  // namespace

void WriteCsv(const Report& report, std::ostream& out) {
    if (report.command == Command::Adapters) {
        WriteAdapters(report, out);
    } else if (report.command == Command::Search) {
        WriteFound(report, out);
    } else {
        WriteModules(report, out);
    }
}

}  // namespace lumiq::cli
