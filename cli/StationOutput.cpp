#include "cli/StationOutput.h"

#include <nlohmann/json.hpp>

#include "cli/TerminalText.h"
#include "state/AddressText.h"

namespace lumiq::cli {
namespace {

using json = nlohmann::ordered_json;
using Kind = fleet::StationEventKind;

std::string_view EventName(Kind kind) {
    switch (kind) {
    case Kind::Found:
        return "found";
    case Kind::AddressTaken:
        return "address-taken";
    case Kind::Applying:
        return "applying";
    case Kind::Waiting:
        return "waiting";
    case Kind::Gone:
        return "gone";
    case Kind::Back:
        return "back";
    case Kind::Done:
        return "done";
    case Kind::Failed:
        return "failed";
    case Kind::Skipped:
        return "skipped";
    case Kind::Refused:
        return "refused";
    }
    return "?";
}

} // namespace

std::string ValueOf(const fleet::StationModule& module, Param param) {
    for (const Value& value : module.wanted) {
        if (value.param == param)
            return value.text;
    }
    return {};
}

StationOutput::StationOutput(std::ostream& out, bool json, DoneHook* hook)
    : out_(out), json_(json), hook_(hook) {}

void StationOutput::onStationEvent(const fleet::StationEvent& event, fleet::Millis now) {
    if (event.kind == Kind::Done)
        ++done_;
    if (event.kind == Kind::Failed)
        ++failed_;
    if (json_)
        object(event, now);
    else
        line(event, now);
    out_ << std::flush;
    if (event.kind == Kind::Done && hook_ != nullptr)
        hook_->run(*event.module);
}

void StationOutput::line(const fleet::StationEvent& event, fleet::Millis now) {
    const fleet::StationModule* module = event.module;
    const std::string who = module == nullptr
                                ? TerminalText(event.mac)
                                : "[" + std::to_string(module->number) + "] " + TerminalText(module->mac);
    switch (event.kind) {
    case Kind::Found:
        out_ << who << " found at " << IpToText(module->ipBefore) << " on "
             << TerminalText(module->route.adapter) << '\n';
        return;
    case Kind::AddressTaken:
        out_ << "address " << IpToText(event.address) << " is taken on "
             << TerminalText(module->route.adapter) << " (answered for by " << TerminalText(event.holder)
             << "): skipped, not given to any module\n";
        return;
    case Kind::Waiting:
        out_ << who << " applied; waiting for it to restart: power-cycle it\n";
        return;
    case Kind::Gone:
        out_ << who << " gone; waiting for it to come back\n";
        return;
    case Kind::Skipped:
        out_ << who << " is done in the log: left alone\n";
        return;
    case Kind::Refused:
        out_ << who << " answers from two modules: left alone\n";
        return;
    case Kind::Applying:
    case Kind::Back:
        return;
    case Kind::Done:
    case Kind::Failed:
        break;
    }
    out_ << who << " →";
    if (module->address != 0)
        out_ << ' ' << IpToText(module->address);
    const std::string name = ValueOf(*module, Param::Name);
    if (!name.empty())
        out_ << ' ' << TerminalText(name);
    out_ << " … " << fleet::ApplyResultName(module->result);
    if (!module->verification.empty())
        out_ << ", " << module->verification;
    if (event.kind == Kind::Failed && !module->detail.empty())
        out_ << ": " << TerminalText(module->detail);
    out_ << ' ' << fleet::SecondsText(now - module->foundAt) << " s"
         << "   (" << done_ << " done, " << failed_ << " failed)\n";
}

void StationOutput::object(const fleet::StationEvent& event, fleet::Millis now) {
    json object{{"event", EventName(event.kind)}, {"time", fleet::LocalTimeText()}, {"mac", event.mac}};
    if (const fleet::StationModule* module = event.module) {
        object["number"] = module->number;
        object["adapter"] = module->route.adapter;
        object["addressBefore"] = IpToText(module->ipBefore);
        // A found module's address is settled once the probes are over.
        if (module->address != 0 && event.kind != Kind::Found)
            object["address"] = IpToText(module->address);
        if (event.kind == Kind::Done || event.kind == Kind::Failed) {
            json values = json::object();
            for (const Value& value : module->wanted)
                values[std::string(KeyOf(value.param))] = value.text;
            object["values"] = values;
            object["result"] = fleet::ApplyResultName(module->result);
            object["written"] = module->written;
            object["verification"] = module->verification;
            object["detail"] = module->detail;
            object["seconds"] = static_cast<double>(now - module->foundAt) / 1000.0;
            object["done"] = done_;
            object["failed"] = failed_;
        }
    }
    if (event.kind == Kind::AddressTaken) {
        object["address"] = IpToText(event.address);
        object["holder"] = event.holder;
    }
    out_ << object.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
}

void StationOutput::finish(const fleet::Station& station, bool interrupted) {
    const std::string& reason = station.stopReason();
    if (json_) {
        json object{{"event", "end"},    {"time", fleet::LocalTimeText()}, {"done", done_},
                    {"failed", failed_}, {"interrupted", interrupted},     {"reason", reason}};
        out_ << object.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
    } else {
        out_ << done_ << (done_ == 1 ? " module" : " modules") << " done, " << failed_ << " failed"
             << (interrupted ? "; interrupted" : "") << (reason.empty() ? "" : "; " + TerminalText(reason))
             << '\n';
    }
    out_ << std::flush;
}

} // namespace lumiq::cli
