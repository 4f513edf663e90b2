#pragma once
// Simulated modules on pseudo-terminals for a test: each port's device is
// reached through a link in a private folder, the paths the tool takes from
// LUMIQ_SERIAL_PORTS. Needs no network; the destructor stops the simulator
// and removes the links.

#include <memory>
#include <string>
#include <vector>

#include "tests/support/simbed/SimControl.h"
#include "tests/support/simbed/SimProcess.h"

namespace lumiq::testbed {

class SimPty {
public:
    // `ports` modules, module i on port i; `simArgs` are further lumiq-sim
    // options (modules of a --config file come before the terminal ones).
    explicit SimPty(int ports = 1, std::vector<std::string> simArgs = {});
    ~SimPty();
    SimPty(const SimPty&) = delete;
    SimPty& operator=(const SimPty&) = delete;

    // The link to port `port`'s terminal device.
    const std::string& devicePath(int port = 0) const { return links_.at(static_cast<std::size_t>(port)); }
    // All links joined by ":", the form of LUMIQ_SERIAL_PORTS.
    std::string serialPorts() const;
    const std::string& controlPath() const { return controlPath_; }
    SimControl& control() { return control_; }
    int stopSimulator() { return sim_->stop(); }

private:
    std::unique_ptr<SimProcess> startSimulator(int ports, std::vector<std::string> simArgs);

    ScratchDir scratch_;
    std::string controlPath_;
    std::vector<std::string> links_;
    std::unique_ptr<SimProcess> sim_;
    SimControl control_;
};

} // namespace lumiq::testbed
