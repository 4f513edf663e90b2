#include "cli/CommandLine.h"

#include <unistd.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>

#include "cli/ApplyRequest.h"
#include "cli/ExitStatus.h"
#include "cli/Targets.h"
#include "fleet/FleetEngine.h"

namespace lumiq::cli {
namespace {

constexpr int kMostModules = 4096;
constexpr int kLongestWaitMs = 600000;

struct Raw {
    std::vector<std::string> items; // targets, keys, assignments as typed
    std::string targetsFile;
    bool targetsGiven = false;
    bool json = false;
    bool csv = false;
};

// An option that names a file to read or write: "" is a mistake (an unset
// variable in a script), never "no file".
std::string NamesAFile(const std::string& path) {
    return path.empty() ? "needs a file name, and \"\" is none" : std::string();
}

// "-" would put the trace's pcap bytes between the report's lines on stdout.
std::string NamesATraceFile(const std::string& path) {
    if (path == "-")
        return "\"-\" would mix the trace's pcap bytes into the report on stdout; name a file (or a FIFO, "
               "see lumiq(1))";
    return NamesAFile(path);
}

void AddOutputOptions(CLI::App& command, Raw& raw, const char* csvHelp) {
    CLI::Option* json =
        command.add_flag("--json", raw.json, "one JSON document (see lumiq(1) for its schema)");
    command.add_flag("--csv", raw.csv, csvHelp)->excludes(json);
}

void AddSearchOptions(CLI::App& command, Request& request, CLI::Option_group* group = nullptr) {
    CLI::App& into = group != nullptr ? static_cast<CLI::App&>(*group) : command;
    into.add_option("--adapter", request.adapters, "search on this adapter only (repeatable; default all)")
        ->allow_extra_args(false)
        ->type_name("NAME|all");
    into.add_option("--wait", request.search.waitMs, "how long a search round waits for answers")
        ->type_name("MS")
        ->check(CLI::Range(1, kLongestWaitMs))
        ->capture_default_str();
    into.add_option("--expect", request.search.expect, "end the search as soon as N modules answered")
        ->type_name("N")
        ->check(CLI::Range(1, kMostModules));
    into.add_option("--rounds", request.search.rounds, "search R times and merge the answers")
        ->type_name("R")
        ->check(CLI::Range(1, 100))
        ->capture_default_str();
}

CLI::App* AddModuleCommand(CLI::App& app, Command command, const char* name, const char* help,
                           const char* items, Request& request, Raw& raw, bool overSerial = true) {
    CLI::App* sub = app.add_subcommand(name, help);
    sub->add_option("items", raw.items, items)->type_name("");
    sub->add_option_function<std::string>(
           "--targets",
           [&raw](const std::string& path) {
               raw.targetsFile = path;
               raw.targetsGiven = true;
           },
           "targets from FILE: MAC texts and addresses, # comments (or a CSV with a mac column)")
        ->type_name("FILE")
        ->check(NamesAFile);
    CLI::Option_group* network = sub->add_option_group("network", "over the network (the default)");
    AddSearchOptions(*sub, request, network);
    network->add_option("--parallel", request.parallel, "work on at most N modules at once")
        ->type_name("N")
        ->check(CLI::Range(1, kMostModules))
        ->default_str(std::to_string(fleet::EngineOptions{}.parallel));
    sub->add_option("--timeout", request.timeoutMs, "an exchange without a reply is sent again after MS")
        ->type_name("MS")
        ->check(CLI::Range(1, kLongestWaitMs))
        ->default_str(std::to_string(fleet::EngineOptions{}.timeoutMs));
    if (overSerial) {
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
    AddOutputOptions(*sub, raw, "one CSV row per module, columns named by parameter");
    sub->callback([&request, command] { request.command = command; });
    return sub;
}

std::string KeyList() {
    std::string keys;
    for (const Param param : kAllParams)
        keys += (keys.empty() ? "" : " ") + std::string(KeyOf(param));
    return keys;
}

// Targets, keys and assignments share the positional place; their forms never overlap.
void SortItems(const Raw& raw, Request& request) {
    std::vector<Target> targets;
    for (const std::string& item : raw.items) {
        if (item.find('=') != std::string::npos) {
            if (request.command != Command::Set)
                throw UsageError("\"" + item + "\": only set takes KEY=VALUE");
            request.values.push_back(CheckAssignment(item));
        } else if (LooksLikeTarget(item)) {
            targets.push_back(ParseTarget(item));
        } else if (const auto param = ParamOfKey(item); param && request.command == Command::Get) {
            if (std::find(request.keys.begin(), request.keys.end(), *param) == request.keys.end())
                request.keys.push_back(*param);
        } else {
            throw UsageError(
                "\"" + item + "\" is no target (a MAC text, an IP address or all)" +
                (request.command == Command::Get ? " and no key (" + KeyList() + ")" : std::string()));
        }
    }
    if (raw.targetsGiven) {
        std::vector<Target> listed = ReadTargetsFile(raw.targetsFile);
        targets.insert(targets.end(), std::make_move_iterator(listed.begin()),
                       std::make_move_iterator(listed.end()));
    }
    AddTargets(request.targets, std::move(targets));
}

// One address or MAC for two modules is a mistake that no module can undo.
// (How many modules `all` stands for is known after the search.)
void RefuseSharedIdentity(const Request& request) {
    const auto named = std::count_if(request.targets.begin(), request.targets.end(),
                                     [](const Target& target) { return target.kind != Target::Kind::All; });
    if (named < 2)
        return;
    for (const Value& value : request.values) {
        if (value.param == Param::Ip || value.param == Param::Mac) {
            throw UsageError(std::string(KeyOf(value.param)) + "=" + value.text +
                             " for several modules: one " +
                             (value.param == Param::Ip ? "address" : "MAC") +
                             " for two modules is a mistake; set each module on its own");
        }
    }
}

void CheckRequest(Request& request) {
    const bool serial = !request.serialPort.empty();
    if (!request.worksOnModules())
        return;
    if (request.command == Command::Apply)
        PrepareApply(request);
    if (serial && !request.targets.empty())
        throw UsageError("--serial works on the one module wired to the port: name no targets");
    if (!serial && request.targets.empty())
        throw UsageError(std::string(CommandName(request.command)) +
                         " needs targets: MAC texts, IP addresses, all, or --targets FILE");
    if (request.command == Command::Get && request.keys.empty())
        throw UsageError("get needs one key or more: " + KeyList());
    if (request.command == Command::Set && request.values.empty())
        throw UsageError("set needs one KEY=VALUE or more, keys: " + KeyList());
    if (request.command == Command::Set)
        RefuseSharedIdentity(request);
    if (request.command == Command::Default && !request.yes && isatty(STDIN_FILENO) == 0)
        throw UsageError(
            "default restores every parameter of a module: confirm it on a terminal, or give --yes");
}

} // namespace

ParsedCommandLine ParseCommandLine(int argc, char** argv) {
    Request request;
    Raw raw;
    CLI::App app("Configures Lumiq serial-to-Ethernet modules over the network or a serial port.", "lumiq");
    app.set_version_flag("--version", "lumiq " LUMIQ_VERSION);
    app.require_subcommand(1);
    app.add_option("--trace", request.tracePath, "record every datagram and serial exchange to FILE (pcap)")
        ->type_name("FILE")
        ->check(NamesATraceFile);
    app.footer("Exit status: 0 all targets succeeded, 1 one or more failed, 2 bad usage or input (nothing\n"
               "sent), 3 nothing found or no network, 130 interrupted. See lumiq(1).");

    CLI::App* adapters = app.add_subcommand("adapters", "list this host's network adapters");
    AddOutputOptions(*adapters, raw, "one CSV row per adapter");
    adapters->callback([&request] { request.command = Command::Adapters; });
    adapters->footer("Exit status: 0 adapters listed, 3 none, 2 bad usage. See lumiq(1).");

    CLI::App* search = app.add_subcommand("search", "find the modules on every adapter, or on those named");
    AddSearchOptions(*search, request);
    AddOutputOptions(*search, raw, "one CSV row per module found");
    search->callback([&request] { request.command = Command::Search; });
    search->footer(
        "Exit status: 0 a module answered (and --expect was met), 1 fewer than --expect, 2 bad usage,\n"
        "3 none answered or no network, 130 interrupted. See lumiq(1).");

    CLI::App* doctor = app.add_subcommand("doctor", "check this host for what keeps modules from answering");
    doctor->add_flag("--json", raw.json, "one JSON document (see lumiq(1) for its schema)");
    doctor->callback([&request] { request.command = Command::Doctor; });
    doctor->footer("Exit status: 0 no check found a problem, 1 one did. Nothing is sent. See lumiq(1).");

    CLI::App* bundle = app.add_subcommand(
        "support-bundle", "one archive for a support request: doctor's report, network, trace, log");
    bundle->add_option("--output,-o", request.bundlePath, "write the archive to FILE (.tar.gz)")
        ->type_name("FILE");
    bundle->callback([&request] { request.command = Command::SupportBundle; });
    bundle->footer("Exit status: 0 the archive is written, 1 it could not be, 2 bad usage. See lumiq(1).");

    AddModuleCommand(app, Command::Read, "read", "read every parameter and the firmware version", "TARGETS",
                     request, raw);
    AddModuleCommand(app, Command::Get, "get", "read single parameters", "TARGETS KEY...", request, raw);
    AddModuleCommand(app, Command::Set, "set", "write parameters in the window's one-key order",
                     "TARGETS KEY=VALUE...", request, raw);
    CLI::App* reset =
        AddModuleCommand(app, Command::Default, "default", "restore the factory values, then read them back",
                         "TARGETS", request, raw);
    reset->add_flag("--yes,-y", request.yes, "do not ask for confirmation");
    AddApplyOptions(*AddModuleCommand(app, Command::Apply, "apply",
                                      "bring modules to prepared settings: write what differs, read it back",
                                      "[TARGETS]", request, raw, false),
                    request);

    try {
        app.parse(argc, argv);
        request.format = raw.json ? Format::Json : raw.csv ? Format::Csv : Format::Table;
        SortItems(raw, request);
        CheckRequest(request);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return ParsedCommandLine{std::nullopt, status == 0 ? kExitOk : kExitUsage, std::nullopt, {}};
    } catch (const std::exception& error) {
        std::cerr << "lumiq: " << error.what() << '\n';
        return ParsedCommandLine{std::nullopt, kExitUsage, std::move(request), error.what()};
    }
    return ParsedCommandLine{std::move(request), kExitOk, std::nullopt, {}};
}

} // namespace lumiq::cli
