#include "cli/ModuleSubcommand.h"

#include <CLI/CLI.hpp>

#include "cli/CommonOptions.h"
#include "cli/ModuleCourse.h"
#include "cli/NetworkReach.h"
#include "cli/SerialReach.h"
#include "cli/Targets.h"
#include "fleet/FleetEngine.h"

namespace lumiq::cli {

std::string KeyList() {
    std::string keys;
    for (const Param param : kAllParams)
        keys += (keys.empty() ? "" : " ") + std::string(KeyOf(param));
    return keys;
}

CLI::App& ModuleSubcommand::addTo(CLI::App& app, Request& request, OutputFlags& output) {
    CLI::App* sub = app.add_subcommand(std::string(name_), help_);
    sub->add_option("items", given_, itemsHelp_)->type_name("");
    sub->add_option_function<std::string>(
           "--targets",
           [this](const std::string& path) {
               targetsFile_ = path;
               targetsGiven_ = true;
           },
           "targets from FILE: MAC texts and addresses, # comments (or a CSV with a mac column)")
        ->type_name("FILE")
        ->check(NamesAFile);
    CLI::Option_group* network = sub->add_option_group("network", "over the network (the default)");
    AddSearchOptions(*sub, request, network);
    const fleet::EngineOptions defaults;
    network
        ->add_option("--parallel", request.parallel,
                     "work on at most N modules at once (unless given, at most " +
                         std::to_string(defaults.broadcastParallel) + " of them by broadcast)")
        ->type_name("N")
        ->check(CLI::Range(1, kMostModules))
        ->default_str(std::to_string(defaults.parallel));
    network->add_flag("--broadcast", request.broadcast,
                      "broadcast every frame, also to modules that could be sent theirs straight");
    sub->add_option("--timeout", request.timeoutMs, "an exchange without a reply is sent again after MS")
        ->type_name("MS")
        ->check(CLI::Range(1, kLongestWaitMs))
        ->default_str(std::to_string(fleet::EngineOptions{}.timeoutMs));
    if (overSerial()) {
        CLI::Option_group* serial =
            sub->add_option_group("serial", "through a serial port wired to one module");
        CLI::Option* port =
            serial->add_option("--serial", request.serialPort, "the module on serial port PORT")
                ->type_name("PORT");
        serial->add_option("--baud", request.baud, "the port's baud rate")
            ->type_name("RATE")
            ->check(CLI::Range(50, 4000000))
            ->capture_default_str()
            ->needs(port);
        network->excludes(serial);
    }
    AddOutputOptions(*sub, output, "one CSV row per module, columns named by parameter");
    addOwnOptions(*sub, request);
    return *sub;
}

// Targets, keys and assignments share the positional place; their forms never overlap.
void ModuleSubcommand::sortItems(Request& request) const {
    std::vector<Target> targets;
    for (const std::string& item : given_) {
        if (item.find('=') != std::string::npos) {
            if (!takeItem(item, request))
                throw UsageError("\"" + item + "\": only set takes KEY=VALUE");
        } else if (LooksLikeTarget(item)) {
            targets.push_back(ParseTarget(item));
        } else if (!takeItem(item, request)) {
            throw UsageError("\"" + item + "\" is no target (a MAC text, an IP address or all)" +
                             otherItems());
        }
    }
    if (targetsGiven_) {
        std::vector<Target> listed = ReadTargetsFile(targetsFile_);
        targets.insert(targets.end(), std::make_move_iterator(listed.begin()),
                       std::make_move_iterator(listed.end()));
    }
    AddTargets(request.targets, std::move(targets));
}

void ModuleSubcommand::check(Request& request) const {
    sortItems(request);
    prepare(request);
    const bool serial = !request.serialPort.empty();
    if (serial && !request.targets.empty())
        throw UsageError("--serial works on the one module wired to the port: name no targets");
    if (!serial && request.targets.empty())
        throw UsageError(std::string(name_) +
                         " needs targets: MAC texts, IP addresses, all, or --targets FILE");
    checkAsked(request);
}

std::vector<Param> ModuleSubcommand::columns(const Request&) const {
    std::vector<Param> columns;
    for (const Param param : kAllParams) {
        if (param != Param::Mac)
            columns.push_back(param);
    }
    return columns;
}

int ModuleSubcommand::run(const Request& request, Interrupt& interrupt, Report& report) const {
    if (request.serialPort.empty()) {
        NetworkReach network(request, interrupt);
        return RunModuleCourse(request, interrupt, report, *this, network);
    }
    SerialReach serial(request, interrupt);
    return RunModuleCourse(request, interrupt, report, *this, serial);
}

int ModuleSubcommand::statusOf(const Request&, const Report& report) const {
    if (report.interrupted)
        return kExitInterrupted;
    for (const ModuleRow& row : report.modules) {
        if (!Succeeded(row.status))
            return kExitFailed;
    }
    return kExitOk;
}

} // namespace lumiq::cli
