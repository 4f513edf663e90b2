#include <nlohmann/json.hpp>

#include <algorithm>

#include "cli/DoctorOutput.h"
#include "cli/ReportOutput.h"
#include "state/AddressText.h"

namespace lumiq::cli {
namespace {

// Members in the order people read them, not sorted.
using json = nlohmann::ordered_json;

json StepJson(const StepReport& step) {
    json object{{"step", step.step},
                {"outcome", step.outcome},
                {"sends", step.sends},
                {"startedMs", step.startedMs},
                {"endedMs", step.endedMs}};
    if (!step.reply.empty())
        object["reply"] = step.reply;
    if (!step.error.empty())
        object["error"] = step.error;
    return object;
}

json AdapterJson(const Adapter& adapter) {
    return json{{"name", adapter.name},
                {"index", adapter.index},
                {"address", IpToText(adapter.address)},
                {"prefix", adapter.prefix},
                {"broadcast", adapter.broadcast != 0 ? json(IpToText(adapter.broadcast)) : json(nullptr)},
                {"mac", adapter.macText.empty() ? json(nullptr) : json(adapter.macText)},
                {"up", adapter.up},
                {"canBroadcast", adapter.canBroadcast}};
}

json ValuesJson(const Report& report, const ModuleRow& row) {
    json values = json::object();
    for (const auto& [param, text] : row.values) {
        const bool shown = param == Param::Mac || std::find(report.columns.begin(), report.columns.end(),
                                                            param) != report.columns.end();
        if (shown)
            values[std::string(KeyOf(param))] = text;
    }
    return values;
}

json ApplyJson(const ApplyReport& apply) {
    json changes = json::array();
    for (const fleet::Difference& change : apply.changes)
        changes.push_back({{"key", KeyOf(change.param)}, {"now", change.now}, {"wanted", change.wanted}});
    json mismatches = json::array();
    for (const fleet::Difference& mismatch : apply.mismatches)
        mismatches.push_back(
            {{"key", KeyOf(mismatch.param)}, {"wanted", mismatch.wanted}, {"got", mismatch.now}});
    return json{{"changes", std::move(changes)},
                {"mismatches", std::move(mismatches)},
                {"written", apply.written},
                {"notWritten", apply.notWritten},
                {"unconfirmed", apply.unconfirmed}};
}

json WritesJson(const std::vector<fleet::ValueWrite>& writes) {
    json array = json::array();
    for (const fleet::ValueWrite& write : writes) {
        json item{{"key", KeyOf(write.value.param)},
                  {"value", write.value.text},
                  {"state", fleet::WriteStateName(write.state)}};
        if (write.state == fleet::WriteState::Mismatch)
            item["readBack"] = write.held;
        array.push_back(std::move(item));
    }
    return array;
}

json ModuleJson(const Report& report, const ModuleRow& row) {
    json module{{"mac", row.mac}, {"status", std::string(StatusName(row.status))}};
    const auto put = [&](const char* key, const std::string& text) {
        if (!text.empty())
            module[key] = text;
    };
    put("macBefore", row.macBefore);
    put("target", row.target);
    put("address", row.address);
    put("adapter", row.adapter);
    put("detail", row.detail);
    if (row.search) {
        const SearchReport& search = *row.search;
        module["search"] = json{{"port", search.port},
                                {"reply", search.byBroadcast ? "broadcast" : "unicast"},
                                {"replies", search.replies},
                                {"duplicateMac", search.duplicateMac},
                                {"duplicateIp", search.duplicateIp},
                                {"firstMs", search.firstMs}};
    } else {
        module["values"] = ValuesJson(report, row);
        json steps = json::array();
        for (const StepReport& step : row.steps)
            steps.push_back(StepJson(step));
        module["steps"] = std::move(steps);
    }
    if (row.failure)
        module["failure"] = StepJson(*row.failure);
    if (row.apply)
        module["apply"] = ApplyJson(*row.apply);
    if (report.form == ReportForm::Writes)
        module["writes"] = WritesJson(row.writes);
    return module;
}

} // namespace

void WriteJson(const Report& report, std::ostream& out) {
    json document{{"schema", kOutputSchemaVersion},
                  {"command", report.command},
                  {"exitStatus", report.exitStatus},
                  {"interrupted", report.interrupted}};
    if (report.form == ReportForm::Apply) {
        document["check"] = report.dryRun;
        json overrides = json::array();
        for (const fleet::ProfileOverride& override : report.overrides) {
            const Value& profile = override.profile.value;
            overrides.push_back({{"key", KeyOf(profile.param)},
                                 {"profile", profile.text},
                                 {"where", override.profile.where},
                                 {"modules", override.modules},
                                 {"table", override.tableValues}});
        }
        document["overrides"] = std::move(overrides);
    }
    json elapsed = json::object();
    if (report.searchMs)
        elapsed["search"] = *report.searchMs;
    if (report.workMs)
        elapsed["work"] = *report.workMs;
    document["elapsedMs"] = std::move(elapsed);
    json adapters = json::array();
    for (const Adapter& adapter : report.adapters)
        adapters.push_back(AdapterJson(adapter));
    document["adapters"] = std::move(adapters);
    json modules = json::array();
    for (const ModuleRow& row : report.modules)
        modules.push_back(ModuleJson(report, row));
    document["modules"] = std::move(modules);
    if (report.form == ReportForm::Findings)
        document["checks"] = FindingsJson(report.findings);
    if (!report.error.empty())
        document["error"] = report.error;
    // Module texts are converted from GBK already; a stray byte still must not end the run.
    out << document.dump(2, ' ', false, json::error_handler_t::replace) << '\n';
}

} // namespace lumiq::cli
