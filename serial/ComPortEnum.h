#pragma once
// The serial ports this machine has, by the names the port's Open takes.

#include <string>
#include <vector>

namespace lumiq {

constexpr const char* kSysfsTtyRoot = "/sys/class/tty";
// Colon-separated device paths listed after the system's own ports: virtual
// and unusual ports, pseudo-terminals of tests and the simulator.
constexpr const char* kExtraPortsVariable = "LUMIQ_SERIAL_PORTS";

// Replaces list with the ports of the device listing: every entry of
// sysfsRoot that has a device link, except legacy ttyS ports whose UART type
// is unknown (0), as plain names ("ttyUSB0"), sorted without regard to case;
// then the paths named in LUMIQ_SERIAL_PORTS, in their order, leaving out
// repeats. Reads the listing anew on each call. A listing that cannot be read
// throws EComPort code 23 with errno; list is then left as it was.
void EnumComPorts(std::vector<std::string>& list, const std::string& sysfsRoot = kSysfsTtyRoot);

} // namespace lumiq
