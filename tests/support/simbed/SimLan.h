#pragma once
// A LAN of simulated modules for a test, built inside the private network
// namespace scripts/in-netns gives every test:
//
//   this namespace (the tool's host)          namespace "lumiq-simlan-<pid>-<n>"
//   lqh<pid>x<n>  10.77.0.1/16  <--veth-->  lan0  10.77.0.2/16
//                                                 + one /32 alias per module
//                                                   (10.77.1.1, 10.77.1.2, ...)
//                                                 lumiq-sim on 0.0.0.0:5000
//
// A program here bound to port 5000 that broadcasts to 255.255.255.255 out
// of the veth reaches every module; each module answers from its own
// address. The destructor stops the simulator and removes the namespace and
// the veth, also when the test fails; a test process that dies leaves a
// namespace that "scripts/netbed cleanup" (the lumiq_netns test fixture)
// removes.

#include <memory>
#include <string>
#include <vector>

#include "tests/support/Netns.h"
#include "tests/support/simbed/SimControl.h"
#include "tests/support/simbed/SimProcess.h"

namespace lumiq::testbed {

struct SimLanOptions {
    // Generated modules (after those of the module file).
    int modules = 1;
    // A module file (sim/ModuleList.h); empty for none.
    std::string moduleFile{};
    // Further lumiq-sim options, e.g. {"--reply", "broadcast"}.
    std::vector<std::string> simArgs{};
    // The first two octets of the LAN: the host is <prefix>.0.1/16, the LAN
    // adapter <prefix>.0.2/16, generated modules start at <prefix>.1.1. Two
    // LANs in one test need different prefixes.
    std::string prefix = "10.77";
};

class SimLan {
public:
    explicit SimLan(SimLanOptions options = {});
    ~SimLan();
    SimLan(const SimLan&) = delete;
    SimLan& operator=(const SimLan&) = delete;

    const std::string& hostAddress() const { return hostAddress_; }
    const std::string& hostInterface() const { return hostInterface_; }
    // The host veth's hardware address, lower-case "xx:xx:xx:xx:xx:xx": the
    // MAC text a tool on this LAN puts in its frames.
    std::string hostMac() const;
    // The address generated module `index` (counted over all modules, the
    // module file's first) answers from: <prefix>.1.1 onwards, skipping
    // addresses that end in .0 or .255.
    std::string moduleAddress(int index) const;
    const Namespace& lan() const { return lan_; }
    const std::string& controlPath() const { return controlPath_; }
    const std::string& logPath() const { return logPath_; }
    SimControl& control() { return control_; }

    pid_t simulatorPid() const { return sim_->pid(); }
    // Stops the simulator now; returns its wait status (0: a clean end).
    int stopSimulator() { return sim_->stop(); }

private:
    std::unique_ptr<SimProcess> startSimulator();

    SimLanOptions options_;
    ScratchDir scratch_;
    std::string controlPath_;
    std::string logPath_;
    std::string hostAddress_;
    std::string hostInterface_;
    Namespace lan_;
    std::unique_ptr<SimProcess> sim_;
    SimControl control_;
};

} // namespace lumiq::testbed
