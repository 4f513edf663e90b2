#include "cli/Report.h"

#include <algorithm>

#include "base/AsciiText.h"
#include "cli/Targets.h"
#include "device/ValueRules.h"
#include "fleet/PreparedSettings.h"
#include "state/AddressText.h"

namespace lumiq::cli {
namespace {

StepReport StepOf(const fleet::StepRecord& record, fleet::Millis origin) {
    return StepReport{record.step.title(),  std::string(fleet::OutcomeName(record.outcome)),
                      record.sends,         record.reply,
                      record.error,         record.started - origin,
                      record.ended - origin};
}

std::string CanonicalMac(const std::string& mac) {
    return CanonicalReading(Param::Mac, mac);
}

} // namespace

ModuleRow RowOf(const fleet::Session& session, fleet::Millis origin) {
    ModuleRow row;
    row.mac = CanonicalMac(session.mac());
    if (AsciiLowered(session.firstMac()) != AsciiLowered(session.mac()))
        row.macBefore = CanonicalMac(session.firstMac());
    row.adapter = session.route().adapter;
    row.values = session.values();
    for (const fleet::StepRecord& record : session.records())
        row.steps.push_back(StepOf(record, origin));
    switch (session.state()) {
    case fleet::SessionState::Done:
        row.status = ModuleStatus::Ok;
        break;
    case fleet::SessionState::Failed:
        row.status = ModuleStatus::Failed;
        break;
    default:
        row.status = ModuleStatus::Cancelled;
        break;
    }
    if (const fleet::StepRecord* failure = session.failure()) {
        row.failure = StepOf(*failure, origin);
        row.detail = DescribeFailure(*row.failure);
    } else if (row.status == ModuleStatus::Cancelled) {
        row.detail = session.records().empty() ? "not started" : "cancelled after " + row.steps.back().step;
    }
    return row;
}

ModuleRow RowOf(const fleet::FoundModule& module, fleet::Millis origin) {
    ModuleRow row;
    row.mac = CanonicalMac(module.mac);
    row.address = IpToText(module.ip);
    row.adapter = module.route.adapter;
    row.status = ModuleStatus::Found;
    row.search = SearchReport{module.port,         module.byBroadcast, module.replies,
                              module.duplicateMac, module.duplicateIp, module.firstAt - origin};
    return row;
}

std::string DescribeFailure(const StepReport& step) {
    if (step.outcome == fleet::OutcomeName(fleet::Outcome::SecondSender))
        return step.error;
    std::string text = step.step + " " + step.outcome;
    if (step.sends > 1)
        text += " after " + std::to_string(step.sends) + " sends";
    if (!step.reply.empty())
        text += ", reply \"" + step.reply + "\"";
    if (!step.error.empty())
        text += ": " + step.error;
    return text;
}

const std::vector<std::string>& ChoosableColumns() {
    static const std::vector<std::string> columns = [] {
        std::vector<std::string> names;
        for (const Param param : kAllParams)
            names.emplace_back(KeyOf(param));
        for (const fleet::ReportColumn column : {fleet::ReportColumn::Address, fleet::ReportColumn::Adapter,
                                                 fleet::ReportColumn::Status, fleet::ReportColumn::Detail})
            names.emplace_back(fleet::ReportColumnName(column));
        return names;
    }();
    return columns;
}

std::string CellOf(const ModuleRow& row, std::string_view column) {
    using fleet::ReportColumn;
    using fleet::ReportColumnName;
    if (column == KeyOf(Param::Mac))
        return row.mac;
    if (column == ReportColumnName(ReportColumn::Address))
        return row.address;
    if (column == ReportColumnName(ReportColumn::Adapter))
        return row.adapter;
    if (column == ReportColumnName(ReportColumn::Status))
        return std::string(StatusName(row.status));
    if (column == ReportColumnName(ReportColumn::Detail))
        return row.detail;
    const std::optional<Param> param = ParamOfKey(column);
    return param ? ValueOf(row.values, *param) : std::string();
}

std::string Joined(const std::vector<std::string>& items, std::string_view separator) {
    std::string text;
    for (const std::string& item : items) {
        if (!text.empty())
            text += separator;
        text += item;
    }
    return text;
}

} // namespace lumiq::cli
