#include "cli/ModuleCourse.h"

#include <algorithm>
#include <iostream>

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

// At most this many missing targets are named on the line that names them.
constexpr std::size_t kMissingNamed = 20;

// A module that stopped answering would leave no trace in a read of `all`:
// stderr says how many answered and, for the table (the other forms name
// each failed target already), which named targets did not. True when fewer
// answered than --expect asked for.
bool TellWhoAnswered(const Request& request, const std::vector<Resolved>& targets, std::size_t answered) {
    std::vector<std::string> missing;
    std::size_t unnamed = 0;
    for (const Resolved& item : targets) {
        if (item.status != ModuleStatus::NotFound || item.target == nullptr)
            continue;
        if (missing.size() < kMissingNamed) {
            missing.push_back(item.target->text);
        } else {
            ++unnamed;
        }
    }
    if (!missing.empty() && request.format == Format::Table) {
        std::cerr << "lumiq: no answer from " << Joined(missing, ", ")
                  << (unnamed > 0 ? " and " + std::to_string(unnamed) + " more" : "") << '\n';
    }
    const auto expected = static_cast<std::size_t>(std::max(0, request.search.expect));
    if (expected > answered) {
        std::cerr << "lumiq: " << answered << " of " << expected << " expected modules answered\n";
        return true;
    }
    if (request.allTargets()) {
        std::cerr << "lumiq: " << answered << (answered == 1 ? " module" : " modules") << " answered"
                  << (expected > 0 ? ", " + std::to_string(expected) + " expected" : "") << '\n';
    }
    return false;
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
    const bool fewerThanExpected =
        request.serialPort.empty() && TellWhoAnswered(request, reached.targets, reach.found().size());
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
    const int status = command.statusOf(request, report);
    if (!fewerThanExpected || status == kExitInterrupted)
        return status;
    // A module missing is trouble to a drift audit, a failure to the rest.
    return request.check ? kExitCheckTrouble : std::max(status, kExitFailed);
}

} // namespace lumiq::cli
