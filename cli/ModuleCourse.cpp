#include "cli/ModuleCourse.h"

#include "base/AsciiText.h"
#include "cli/WorkLoop.h"
#include "state/AddressText.h"

namespace lumiq::cli {
namespace {

ModuleRow RowOf(const Resolved& resolved) {
    ModuleRow row;
    if (resolved.module != nullptr) {
        row.mac = AsciiLowered(resolved.module->mac);
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

} // namespace

int RunModuleCourse(const Request& request, Interrupt& interrupt, Report& report,
                    const ModuleSubcommand& command, ModuleReach& reach) {
    const ReachedModules reached = reach.find(command.writes(request), report);
    const auto unworked = [&](const Resolved& item, std::optional<ModuleStatus> status) {
        ModuleRow row = RowOf(item);
        if (status)
            row.status = *status;
        command.finishUnworked(row);
        report.modules.push_back(std::move(row));
    };
    if (reached.interrupted) {
        for (const Resolved& item : reached.targets)
            unworked(item, ModuleStatus::Cancelled);
        report.interrupted = true;
        return kExitInterrupted;
    }
    if (reached.noneAnswered) {
        for (const Resolved& item : reached.targets)
            unworked(item, std::nullopt);
        return command.nothingFoundStatus(request);
    }
    std::vector<const Resolved*> work;
    ModulesToWork modules{{}, {}, reach.found()};
    for (const Resolved& item : reached.targets) {
        if (item.status != ModuleStatus::Ok)
            continue;
        work.push_back(&item);
        if (item.module != nullptr)
            modules.modules.push_back(item.module);
        modules.names.push_back(reach.nameOf(item));
    }
    if (const std::optional<int> status = command.beforeWork(request, interrupt, modules))
        return *status;

    reach.open();
    std::vector<const fleet::Session*> sessions;
    for (const Resolved* item : work)
        sessions.push_back(&reach.add(*item, command.planFor(request, item->module)));
    const fleet::Millis origin = Now();
    report.interrupted = !reach.run(command.name());
    report.workMs = Now() - origin;

    std::size_t next = 0;
    for (const Resolved& item : reached.targets) {
        if (item.status != ModuleStatus::Ok) {
            unworked(item, std::nullopt);
            continue;
        }
        const fleet::Session& session = *sessions[next++];
        ModuleRow row = RowOf(session, origin);
        if (item.module != nullptr)
            row.address = IpToText(item.module->ip);
        if (item.target != nullptr)
            row.target = item.target->text;
        // Over a serial link the module is known by what it reports.
        if (row.mac.empty())
            row.mac = ValueOf(session.values(), Param::Mac);
        command.finishRow(request, row, session);
        report.modules.push_back(std::move(row));
    }
    return command.statusOf(request, report);
}

} // namespace lumiq::cli
