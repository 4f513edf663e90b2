#pragma once
// Where the simulated modules come from: generated ones with distinct
// parameters, and a module file that describes each module.
//
// Module file: one "[module]" section per module, "key = value" lines,
// "#" or ";" starting a comment line. Every key is optional; a missing one
// takes the generated value for the module's position in the list.
//   mac = 00:1a:2b:3c:4d:01      MAC text (any text without blanks, "<", ">" or ",")
//   ip = 10.77.1.1               the address it answers from, and its IP parameter
//   reply = unicast | broadcast
//   pty = /tmp/lumiq-serial0     serve it on a pseudo-terminal linked here instead of UDP
//   plugged = yes | no           no: it starts off the LAN, until "plug" (ControlCommands.h)
//   model, gateway, mask, dip, port, dport, dchp, uart, version   factory parameters
//   name = 一号机                 UTF-8 here, held and sent as GBK, at most 15 GBK bytes
//   silent = yes | no            faults, see Faults.h
//   wrong = N
//   delay_ms = D
//   twice = yes | no
//   hidden = yes | no            does not answer the search
//   malformed = short,nogt,binary,oversized   replies to the first frames, in this order
//   forget = IP,NAME             these parameters take their factory values at every power-up

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/SimModule.h"

namespace lumiq::sim {

class ConfigError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Generated module number `index` (counted from 0 over the whole list):
// MAC 02:4c:51:00:HH:LL of index + 1, the `index`th usable address from
// `firstAddress` on (addresses ending in .0 or .255 are skipped), work mode
// index % 4, port 8000 + index, destination port 9000 + index, name
// "LUMIQ-001" onwards.
ModuleSetup GeneratedModule(unsigned index, std::uint32_t firstAddress);

// Throws ConfigError naming the file and line.
std::vector<ModuleSetup> LoadModuleFile(const std::string& path, unsigned firstIndex,
                                        std::uint32_t firstAddress);

// Dotted text to a host-order number; throws ConfigError.
std::uint32_t ParseAddress(const std::string& dotted);

} // namespace lumiq::sim
