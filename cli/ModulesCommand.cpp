#include <iostream>

#include "cli/Commands.h"
#include "cli/Confirmation.h"
#include "cli/EngineRun.h"
#include "cli/ExitStatus.h"
#include "cli/Interrupt.h"
#include "cli/SearchRun.h"
#include "cli/Targets.h"
#include "state/AddressText.h"

namespace lumiq::cli {
namespace {

// `set all ip=...` is known to name several modules only once they answered.
void RefuseSharedIdentity(const Request& request, std::size_t modules) {
    if (request.command != Command::Set || modules < 2) return;
    for (const fleet::Value& value : request.values) {
        if (value.param == fleet::Param::Ip || value.param == fleet::Param::Mac)
            throw UsageError(std::string(fleet::KeyOf(value.param)) + "=" + value.text + " for " +
                             std::to_string(modules) + " modules: one " +
                             (value.param == fleet::Param::Ip ? "address" : "MAC") +
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
    if (resolved.target != nullptr) row.target = resolved.target->text;
    row.status = resolved.status;
    row.detail = resolved.detail;
    return row;
}

std::string Named(const fleet::FoundModule& module) {
    return module.mac + "  " + IpToText(module.ip) + "  on " + module.route.adapter;
}

int StatusOf(const Report& report) {
    if (report.interrupted) return kExitInterrupted;
    for (const ModuleRow& row : report.modules) {
        if (!report.succeeded(row)) return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

int RunOnModules(const Request& request, Interrupt& interrupt, Report& report) {
    NetworkSearch network(request, interrupt);
    report.adapters = network.adapters();
    UdpModulePort& port = network.port();
    WorkLoop& loop = network.loop();
    const SearchResult search = network.run(request.search);
    report.searchMs = search.elapsedMs;
    const std::vector<Resolved> resolved = ResolveTargets(request.targets, search.found);
    std::vector<const fleet::FoundModule*> work;
    for (const Resolved& item : resolved) {
        if (item.status == "ok") work.push_back(item.module);
    }
    if (search.interrupted) {
        for (const Resolved& item : resolved) report.modules.push_back(RowOf(item));
        for (ModuleRow& row : report.modules) row.status = "cancelled";
        report.interrupted = true;
        return kExitInterrupted;
    }
    RefuseSharedIdentity(request, work.size());
    if (search.found.empty()) {
        std::cerr << "lumiq: no module answered the search on " << report.adapters.size()
                  << (report.adapters.size() == 1 ? " adapter" : " adapters") << '\n';
        for (const Resolved& item : resolved) report.modules.push_back(RowOf(item));
        return kExitUnusable;
    }
    if (request.command == Command::Default && !request.yes && !work.empty()) {
        std::vector<std::string> names;
        for (const fleet::FoundModule* module : work) names.push_back(Named(*module));
        if (!ConfirmDefault(names, interrupt)) {
            std::cerr << "lumiq: nothing restored\n";
            return interrupt.pending() ? kExitInterrupted : kExitFailed;
        }
    }

    fleet::FleetEngine engine(port, EngineOptionsOf(request, port.ownAddresses()));
    std::vector<const fleet::Session*> sessions;
    for (const fleet::FoundModule* module : work)
        sessions.push_back(&engine.add(module->mac, module->route, PlanOf(request)));
    port.setReceiver([&](const fleet::Arrival& arrival, std::string_view datagram) {
        loop.deliver([&](fleet::Millis now) { engine.onDatagram(arrival.peerIp, datagram, now); });
    });
    const fleet::Millis origin = Now();
    report.interrupted = !RunEngine(engine, request, loop);
    report.workMs = Now() - origin;
    port.setReceiver({});

    std::size_t next = 0;
    for (const Resolved& item : resolved) {
        if (item.status != "ok") {
            report.modules.push_back(RowOf(item));
            continue;
        }
        ModuleRow row = cli::RowOf(*sessions[next++], origin);
        row.address = IpToText(item.module->ip);
        if (item.target != nullptr) row.target = item.target->text;
        if (request.command == Command::Set) row.values = WrittenValues(*sessions[next - 1], request.values);
        report.modules.push_back(std::move(row));
    }
    return StatusOf(report);
}

}  // namespace lumiq::cli
