#pragma once
// Hands one command line to the current link (LinkMode): on UDP wrapped in
// the envelope and broadcast to port 5000, on the serial link bare. A module
// found on a chosen adapter is reached through that adapter, with its MAC
// text in the envelope; one found by a search as 自动 as the kernel routes.

#include <string>
#include <vector>

#include "device/AdapterRoute.h"
#include "presenter/ControllerPorts.h"
#include "state/ToolState.h"

namespace lumiq {

class CommandLink {
public:
    // `routes`: the adapters of the latest search (Discovery keeps them).
    CommandLink(ToolState& state, UdpLink& udp, SerialLink& serial, const std::vector<SearchRoute>& routes);

    // Makes the selected entry's MAC (empty when none) the envelope's target.
    void targetSelectedModule();

    // UDP: one datagram, exactly envelope + line, to SelectedMacText. A failed
    // send is the socket's business: the reply simply never comes.
    // Serial: the line alone; the port's exception reaches the caller.
    void send(const std::string& line);

private:
    ToolState& state_;
    UdpLink& udp_;
    SerialLink& serial_;
    const std::vector<SearchRoute>& routes_;
};

} // namespace lumiq
