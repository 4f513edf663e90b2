#include "sim/SimOptions.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "sim/ModuleList.h"

namespace lumiq::sim {

namespace {

constexpr int kMostModules = 4096;

int ParseInt(const std::string& option, const std::string& text, int most) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        throw UsageError(option + " takes a number, not \"" + text + "\"");
    const int value = std::stoi(text);
    if (value > most)
        throw UsageError(option + " takes at most " + std::to_string(most));
    return value;
}

} // namespace

std::string Usage() {
    return R"(Usage: lumiq-sim [options]
       lumiq-sim ctl [--control PATH] <command...>

Simulated Lumiq modules: they answer the AT command set over UDP port 5000
(every module with its own MAC text and address) and on pseudo-terminals.

Modules:
  --modules N              N generated modules on UDP (distinct MACs, addresses,
                           parameters); 1 when no module is asked for otherwise
  --config FILE            modules described in FILE ([module] sections)
  --pty PATH               one more module on a pseudo-terminal; PATH becomes a
                           symbolic link to its device (may be repeated)
  --first-address A.B.C.D  address of the first generated module (10.77.1.1)
  --reply unicast|broadcast  how generated modules reply (unicast)
  --unplugged              the --modules modules start off the LAN, until "ctl plug"
Network:
  --alias-dev IFACE        add every module address to IFACE as an alias at start, and
                           each new one a module takes at a power-up; remove them all
                           at the end (each module sends from its own address)
  --dangerous-use-host-network
                           answer on UDP even in the machine's own network namespace;
                           replies to 255.255.255.255 then reach the real network
Control and log:
  --control PATH           control socket (default: $LUMIQ_SIM_CONTROL, else
                           $XDG_RUNTIME_DIR/lumiq-sim.sock)
  --log FILE               append the frame log to FILE
  --ready-fd N             write "ready\n" to descriptor N once serving, then close it
  --exit-with-parent PID   end when process PID, the parent, ends
  --machine-netns PATH     also treat the namespace at PATH as the machine's (tests)
  --help

Run it through netbed, which gives it a network of its own: scripts/netbed in
the source tree, /usr/share/lumiq-config/netbed where the package is installed
(see man lumiq-sim).

"ctl" sends one command to a running simulator and prints the reply:
  ping | list | get <m> | set <m> <KEY> <value> | reply <m> unicast|broadcast
  fault <m> [silent on|off | wrong N | delay MS | twice on|off | hidden on|off |
             malformed short|nogt|binary|oversized [count] | refuse KEY|off |
             forget KEY[,KEY...]|off | clear]
  unplug <m>|all | plug <m>|all | power-cycle <m>|all [OFF_MS]
  reset <m>|all | log | log-clear | heard | wait-frames N TIMEOUT_MS | quit
<m> is a module's index (from 0) or its MAC text.
)";
}

SimOptions ParseOptions(const std::vector<std::string>& args) {
    SimOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                throw UsageError(option + " needs a value");
            return args[++i];
        };
        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--modules") {
            options.generated = ParseInt(option, value(), kMostModules);
        } else if (option == "--config") {
            options.moduleFile = value();
        } else if (option == "--pty") {
            options.ptyPaths.push_back(value());
        } else if (option == "--first-address") {
            options.firstAddress = value();
        } else if (option == "--reply") {
            const std::string& mode = value();
            if (mode != "unicast" && mode != "broadcast")
                throw UsageError("--reply takes unicast or broadcast");
            options.reply = mode == "unicast" ? ReplyMode::Unicast : ReplyMode::Broadcast;
        } else if (option == "--unplugged") {
            options.unplugged = true;
        } else if (option == "--alias-dev") {
            options.aliasDevice = value();
        } else if (option == "--control") {
            options.controlPath = value();
        } else if (option == "--log") {
            options.logPath = value();
        } else if (option == "--ready-fd") {
            options.readyFd = ParseInt(option, value(), 1 << 20);
        } else if (option == "--exit-with-parent") {
            options.parent = ParseInt(option, value(), 1 << 30);
        } else if (option == "--dangerous-use-host-network") {
            options.dangerousHostNetwork = true;
        } else if (option == "--machine-netns") {
            options.machineNetns.push_back(value());
        } else {
            throw UsageError("unknown option " + option + " (see --help)");
        }
    }
    if (options.controlPath.empty())
        options.controlPath = DefaultControlPath();
    return options;
}

std::string DefaultControlPath() {
    if (const char* path = std::getenv("LUMIQ_SIM_CONTROL"); path != nullptr && *path != '\0')
        return path;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0')
        return std::string(runtime) + "/lumiq-sim.sock";
    return "/tmp/lumiq-sim-" + std::to_string(getuid()) + ".sock";
}

std::vector<ModuleSetup> BuildModules(const SimOptions& options) {
    const std::uint32_t first = ParseAddress(options.firstAddress);
    std::vector<ModuleSetup> modules;
    if (!options.moduleFile.empty())
        modules = LoadModuleFile(options.moduleFile, 0, first);
    int generated = options.generated;
    if (generated < 0)
        generated = modules.empty() && options.ptyPaths.empty() ? 1 : 0;
    for (int i = 0; i < generated; ++i) {
        modules.push_back(GeneratedModule(static_cast<unsigned>(modules.size()), first));
        modules.back().reply = options.reply;
        modules.back().plugged = !options.unplugged;
    }
    for (const auto& path : options.ptyPaths) {
        modules.push_back(GeneratedModule(static_cast<unsigned>(modules.size()), first));
        modules.back().ptyPath = path;
    }
    if (modules.size() > static_cast<std::size_t>(kMostModules))
        throw UsageError("at most " + std::to_string(kMostModules) + " modules");
    if (modules.empty())
        throw UsageError("no module to simulate");
    return modules;
}

} // namespace lumiq::sim
