#pragma once
// Hands one command line to the current link (LinkMode): on UDP wrapped in
// the envelope and broadcast to port 5000, on the serial link bare.

#include <string>

#include "protocol/ControllerPorts.h"
#include "state/ToolState.h"

namespace lumiq {

class CommandLink {
public:
    CommandLink(ToolState& state, UdpLink& udp, SerialLink& serial);

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
};

}  // namespace lumiq
