#include "tests/support/simbed/SimPty.h"

namespace lumiq::testbed {

SimPty::SimPty(int ports, std::vector<std::string> simArgs)
    : controlPath_(scratch_.file("control.sock")), sim_(startSimulator(ports, std::move(simArgs))),
      control_(controlPath_) {}

SimPty::~SimPty() = default;

std::unique_ptr<SimProcess> SimPty::startSimulator(int ports, std::vector<std::string> simArgs) {
    std::vector<std::string> args{"--control", controlPath_, "--log", scratch_.file("frames.log"),
                                  "--modules", "0"};
    for (int port = 0; port < ports; ++port) {
        links_.push_back(scratch_.file("ttyLumiq" + std::to_string(port)));
        args.insert(args.end(), {"--pty", links_.back()});
    }
    args.insert(args.end(), simArgs.begin(), simArgs.end());
    return std::make_unique<SimProcess>(args);
}

std::string SimPty::serialPorts() const {
    std::string joined;
    for (const auto& link : links_)
        joined += (joined.empty() ? "" : ":") + link;
    return joined;
}

} // namespace lumiq::testbed
