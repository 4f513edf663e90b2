#include <algorithm>
#include <iostream>
#include <unordered_map>

#include "cli/Commands.h"
#include "cli/Confirmation.h"
#include "cli/EngineRun.h"
#include "cli/ExitStatus.h"
#include "cli/Interrupt.h"
#include "cli/ModuleCommand.h"
#include "cli/SearchRun.h"
#include "cli/Targets.h"
#include "fleet/Plan.h"
#include "device/ValueRules.h"
#include "state/AddressText.h"

namespace lumiq::cli {
namespace {

// `set all ip=...` is known to name several modules only once they answered.
void RefuseSharedIdentity(const Request& request, std::size_t modules) {
    if (request.command != Command::Set || modules < 2)
        return;
    for (const Value& value : request.values) {
        if (value.param == Param::Ip || value.param == Param::Mac)
            throw UsageError(std::string(KeyOf(value.param)) + "=" + value.text + " for " +
                             std::to_string(modules) + " modules: one " +
                             (value.param == Param::Ip ? "address" : "MAC") +
                             " for two modules is a mistake; nothing was written");
    }
}

ModuleRow RowOf(const Resolved& resolved) {
    ModuleRow row;
    if (resolved.module != nullptr) {
        row.mac = LowerCase(resolved.module->mac);
        row.address = IpToText(resolved.module->ip);
        row.adapter = resolved.module->route.adapter;
    } else if (resolved.target->kind == Target::Kind::Mac) {
        row.mac = resolved.target->canonical;
    } else {
        row.address = resolved.target->canonical;
    }
    if (resolved.target != nullptr)
        row.target = resolved.target->text;
    row.status = resolved.status;
    row.detail = resolved.detail;
    return row;
}

std::string Named(const fleet::FoundModule& module) {
    return module.mac + "  " + IpToText(module.ip) + "  on " + module.route.adapter;
}

// read, get, set and default.
class BasicCommand final : public ModuleCommand {
public:
    BasicCommand(const Request& request, Interrupt& interrupt) : request_(request), interrupt_(interrupt) {}

    std::optional<int> beforeWork(const std::vector<const fleet::FoundModule*>& modules,
                                  const std::vector<fleet::FoundModule>& found) override {
        RefuseSharedIdentity(request_, modules.size());
        if (request_.command == Command::Set)
            RefuseTakenIdentity(modules, found, [&](const fleet::FoundModule&) { return request_.values; });
        if (request_.command != Command::Default || request_.yes || modules.empty())
            return std::nullopt;
        std::vector<std::string> names;
        for (const fleet::FoundModule* module : modules)
            names.push_back(Named(*module));
        if (ConfirmDefault(names, interrupt_))
            return std::nullopt;
        std::cerr << "lumiq: nothing restored\n";
        return interrupt_.pending() ? kExitInterrupted : kExitFailed;
    }
    std::unique_ptr<fleet::Plan> planFor(const fleet::FoundModule&) override { return PlanOf(request_); }
    void finishRow(ModuleRow& row, const fleet::Session& session) override {
        if (request_.command == Command::Set)
            FinishSetRow(row, session, request_.values);
    }
    void finishUnworked(ModuleRow&) override {}
    int nothingFoundStatus() const override { return kExitUnusable; }

private:
    const Request& request_;
    Interrupt& interrupt_;
};

std::string MacKey(const std::string& mac) {
    return CanonicalReading(Param::Mac, mac);
}

} // namespace

void RefuseTakenIdentity(const std::vector<const fleet::FoundModule*>& modules,
                         const std::vector<fleet::FoundModule>& found,
                         const std::function<std::vector<Value>(const fleet::FoundModule&)>& wanted) {
    // Every MAC and address the search saw, with who holds it.
    std::unordered_map<std::string, const fleet::FoundModule*> byMac;
    std::unordered_map<std::uint32_t, const fleet::FoundModule*> byIp;
    for (const fleet::FoundModule& module : found) {
        byMac.emplace(MacKey(module.mac), &module);
        byIp.emplace(module.ip, &module);
    }
    for (const fleet::FoundModule* module : modules) {
        const std::vector<Value> values = wanted(*module);
        const auto holder = [&](const Value& value) -> const fleet::FoundModule* {
            if (value.param == Param::Mac) {
                const auto it = byMac.find(value.text);
                return it == byMac.end() || MacKey(it->second->mac) == MacKey(module->mac) ? nullptr
                                                                                           : it->second;
            }
            if (value.param != Param::Ip)
                return nullptr;
            const auto it = byIp.find(ParseIp(value.text));
            return it == byIp.end() || it->second->ip == module->ip ? nullptr : it->second;
        };
        for (const Value& value : values) {
            if (const fleet::FoundModule* other = holder(value))
                throw UsageError(std::string(KeyOf(value.param)) + "=" + value.text + " for " +
                                 Named(*module) + ": the module " + Named(*other) +
                                 " holds it already; nothing was written");
        }
        try {
            fleet::CheckAddressInSubnet(values, {});
        } catch (const ValueError& error) {
            throw UsageError(std::string(error.what()) + " for " + Named(*module) + "; nothing was written");
        }
    }
}

int ModuleCommand::statusOf(const Report& report) const {
    if (report.interrupted)
        return kExitInterrupted;
    for (const ModuleRow& row : report.modules) {
        if (!report.succeeded(row))
            return kExitFailed;
    }
    return kExitOk;
}

int RunModuleCommand(const Request& request, Interrupt& interrupt, Report& report, ModuleCommand& command) {
    NetworkSearch network(request, interrupt);
    report.adapters = network.adapters();
    UdpModulePort& port = network.port();
    WorkLoop& loop = network.loop();
    // A write goes to a MAC, and every module with that MAC takes it: the
    // search waits its whole time for a second one, whatever --expect says.
    fleet::SearchOptions searchOptions = request.search;
    if (request.writes())
        searchOptions.expect = 0;
    const SearchResult search = network.run(searchOptions);
    report.searchMs = search.elapsedMs;
    const std::vector<Resolved> resolved = ResolveTargets(request.targets, search.found);
    std::vector<const fleet::FoundModule*> work;
    for (const Resolved& item : resolved) {
        if (item.status == "ok")
            work.push_back(item.module);
    }
    const auto unworked = [&](const Resolved& item, const char* status) {
        ModuleRow row = RowOf(item);
        if (status != nullptr)
            row.status = status;
        command.finishUnworked(row);
        report.modules.push_back(std::move(row));
    };
    if (search.interrupted) {
        for (const Resolved& item : resolved)
            unworked(item, "cancelled");
        report.interrupted = true;
        return kExitInterrupted;
    }
    if (search.found.empty()) {
        std::cerr << "lumiq: no module answered the search on " << report.adapters.size()
                  << (report.adapters.size() == 1 ? " adapter" : " adapters") << '\n';
        for (const Resolved& item : resolved)
            unworked(item, nullptr);
        return command.nothingFoundStatus();
    }
    if (const std::optional<int> status = command.beforeWork(work, search.found))
        return *status;

    const fleet::EngineOptions options = EngineOptionsOf(request, port.ownAddresses());
    fleet::FleetEngine engine(port, options);
    std::vector<const fleet::Session*> sessions;
    for (const fleet::FoundModule* module : work) {
        // Answers to the search that had not come by its end may still come;
        // no later than an exchange's time-out after the module's first one.
        const fleet::Sighting sighting{module->ip, std::max(0, module->searchFrames - module->replies),
                                       module->firstAt + options.timeoutMs};
        sessions.push_back(&engine.add(module->mac, module->route, command.planFor(*module), sighting));
    }
    port.setReceiver([&](const fleet::Arrival& arrival, std::string_view datagram) {
        loop.deliver([&](fleet::Millis now) { engine.onDatagram(arrival, datagram, now); });
    });
    const fleet::Millis origin = Now();
    report.interrupted = !RunEngine(engine, request, loop);
    report.workMs = Now() - origin;
    port.setReceiver({});

    std::size_t next = 0;
    for (const Resolved& item : resolved) {
        if (item.status != "ok") {
            unworked(item, nullptr);
            continue;
        }
        const fleet::Session& session = *sessions[next++];
        ModuleRow row = cli::RowOf(session, origin);
        row.address = IpToText(item.module->ip);
        if (item.target != nullptr)
            row.target = item.target->text;
        command.finishRow(row, session);
        report.modules.push_back(std::move(row));
    }
    return command.statusOf(report);
}

int RunOnModules(const Request& request, Interrupt& interrupt, Report& report) {
    BasicCommand command(request, interrupt);
    return RunModuleCommand(request, interrupt, report, command);
}

} // namespace lumiq::cli
