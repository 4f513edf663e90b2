// lumiq-sim: simulated Lumiq modules for tests, demos and training.

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <iostream>

#include "sim/ControlClient.h"
#include "sim/HostNetwork.h"
#include "sim/ModuleList.h"
#include "sim/SimOptions.h"
#include "sim/Simulator.h"

using namespace lumiq::sim;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitRefused = 3;

// "lumiq-sim ctl [--control PATH] <command...>": prints the reply lines;
// status 0 for OK, 1 for ERROR, 2 when the simulator cannot be reached.
int RunControlCommandLine(std::vector<std::string> args) {
    std::string path = DefaultControlPath();
    if (args.size() >= 2 && args[0] == "--control") {
        path = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    std::string command;
    for (const auto& word : args)
        command += (command.empty() ? "" : " ") + word;
    // A wait answers only when it is over, so give it its own time and more.
    auto timeout = std::chrono::milliseconds(10000);
    if (args.size() == 3 && args[0] == "wait-frames") {
        try {
            timeout += std::chrono::milliseconds(std::stoul(args[2]));
        } catch (const std::exception&) {
        }
    }
    try {
        ControlClient client(path);
        const ControlClient::Reply reply = client.request(command, timeout);
        if (!reply.ok) {
            std::cerr << "lumiq-sim ctl: " << reply.error << "\n";
            return kExitFailure;
        }
        for (const auto& line : reply.lines)
            std::cout << line << "\n";
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "lumiq-sim ctl: " << error.what() << "\n";
        return kExitUsage;
    }
}

void BlockStopSignals() {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&stopSignals, signal);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    // A control client that goes away must not end the simulator.
    signal(SIGPIPE, SIG_IGN);
}

void SignalReady(int fd) {
    if (fd < 0)
        return;
    static constexpr char kReady[] = "ready\n";
    if (write(fd, kReady, sizeof kReady - 1) < 0)
        std::cerr << "lumiq-sim: cannot write to --ready-fd " << fd << "\n";
    close(fd);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "ctl")
        return RunControlCommandLine({args.begin() + 1, args.end()});
    SimOptions options;
    std::vector<ModuleSetup> modules;
    try {
        options = ParseOptions(args);
        if (options.help) {
            std::cout << Usage();
            return 0;
        }
        modules = BuildModules(options);
    } catch (const std::exception& error) {
        std::cerr << "lumiq-sim: " << error.what() << "\n";
        return kExitUsage;
    }
    std::vector<std::string> udpAddresses;
    for (const auto& module : modules)
        if (module.ptyPath.empty())
            udpAddresses.push_back(module.address);
    if (!udpAddresses.empty() && !options.dangerousHostNetwork) {
        const NetnsVerdict verdict = CheckNetns(options.machineNetns);
        if (verdict != NetnsVerdict::Private) {
            std::cerr << HostNetworkRefusal(verdict);
            return kExitRefused;
        }
    }
    BlockStopSignals();
    if (options.parent != 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != options.parent)
            return 0; // the parent is already gone
    }
    try {
        const std::size_t count = modules.size();
        Simulator simulator({std::move(modules), options.controlPath, options.logPath, options.aliasDevice});
        // A program that waits for the ready signal says what it needs itself.
        if (options.readyFd < 0)
            std::cerr << "lumiq-sim: " << count << " module(s), " << udpAddresses.size()
                      << " on UDP port 5000; control socket " << options.controlPath << "\n";
        SignalReady(options.readyFd);
        simulator.run();
    } catch (const std::exception& error) {
        std::cerr << "lumiq-sim: " << error.what() << "\n";
        return kExitFailure;
    }
    return 0;
}
