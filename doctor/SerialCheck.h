#pragma once
// The serial ports, their stable names under /dev/serial/by-id (a USB
// adapter's ttyUSB number changes with the order it is plugged in), and
// whether this user may open them.

#include <string>
#include <vector>

#include "doctor/DoctorFinding.h"

namespace lumiq::doctor {

struct PortAccess {
    std::string port;           // as listed: "ttyUSB0", or a path
    std::string path;           // "/dev/ttyUSB0"
    std::string stableName;     // "/dev/serial/by-id/usb-FTDI_...", empty when none
    bool mayOpen = false;       // for reading and writing, by this process
    std::string group;          // the device's group, "dialout"
    bool groupGrants = false;   // its mode lets the group read and write
    bool listedInGroup = false; // the user is a member, maybe not yet in this session
};

Finding CheckSerialPorts(const std::vector<PortAccess>& ports, const std::string& user);

// The ports of the window's list (serial/ComPortEnum.h), as this user sees them.
Finding CheckSerial();

} // namespace lumiq::doctor
