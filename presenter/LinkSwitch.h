#pragma once
// Switching between the UDP link and the serial link from the menu. Only the
// current link's transport is active: the socket is switched off while the
// serial port is in use, and the search and module list are disabled.

#include "presenter/ControllerPorts.h"
#include "state/ToolState.h"

namespace lumiq {

class LinkSwitch {
public:
    LinkSwitch(ToolState& state, ControllerPorts& ports) : state_(state), ports_(ports) {}

    // Closes the port, runs its setup dialog and opens it with the chosen
    // settings. A port that cannot be opened leaves the tool fully on UDP.
    void switchToSerial();
    // Back to UDP; the serial port stays open until the next switch to it.
    void switchToUdp();

private:
    void fallBackToUdp();

    ToolState& state_;
    ControllerPorts& ports_;
};

} // namespace lumiq
