#pragma once
// After the module accepted new serial parameters on the serial link it
// talks at the new settings, so the tool's own port has to follow: the
// operator is asked for the port settings until the baud rate matches the
// one just sent to the module.

#include "presenter/ControllerPorts.h"

namespace lumiq {

// Modal; returns with the port open. Exceptions of the port and of its setup
// dialog reach the caller.
void ResetupSerialPort(const ControllerPorts& ports);

} // namespace lumiq
