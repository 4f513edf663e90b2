#pragma once
// The simulator's command line.

#include <sys/types.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "sim/SimModule.h"

namespace lumiq::sim {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SimOptions {
    bool help = false;
    int generated = -1; // --modules; -1 when not given
    std::string moduleFile;
    std::vector<std::string> ptyPaths;
    std::string firstAddress = "10.77.1.1";
    ReplyMode reply = ReplyMode::Unicast;
    bool unplugged = false; // the --modules ones start off the LAN
    std::string aliasDevice;
    std::string controlPath;
    std::string logPath;
    int readyFd = -1;
    pid_t parent = 0; // --exit-with-parent
    bool dangerousHostNetwork = false;
    std::vector<std::string> machineNetns{"/proc/1/ns/net"}; // pid 2 is added when it is kthreadd
};

// Throws UsageError.
SimOptions ParseOptions(const std::vector<std::string>& args);
std::string Usage();

// $LUMIQ_SIM_CONTROL, else $XDG_RUNTIME_DIR/lumiq-sim.sock, else
// /tmp/lumiq-sim-<uid>.sock.
std::string DefaultControlPath();

// The module file's modules, then the generated ones, then one generated
// module per --pty; one generated UDP module when nothing is asked for.
// Throws ConfigError or UsageError.
std::vector<ModuleSetup> BuildModules(const SimOptions& options);

} // namespace lumiq::sim
