#pragma once
// What a module does with one command line: the AT command set as the module
// implements it. The same for the UDP and the serial link; the link adds or
// leaves out the reply header.

#include <string>
#include <string_view>

#include "sim/ParamRules.h"

namespace lumiq::sim {

// The answer to a command the module does not know or refuses.
inline constexpr std::string_view kErrorReply = "ERROR\r\n";

// Carries out `command` (the bytes before the closing "\r\n") on `params`
// and returns the reply payload:
//   "AT"            -> "OK" (no line end, as the module answers the link test)
//   "AT+DEFAULT"    -> params = factory, "OK\r\n"
//   "AT+KEY=?"      -> "+KEY=value\r\n"
//   "AT+KEY=value"  -> "OK\r\n" when the value is acceptable, else "ERROR\r\n"
// Anything else, lower-case keywords included, gets "ERROR\r\n" and changes
// nothing.
std::string ExecuteCommand(std::string_view command, ModuleParams& params, const ModuleParams& factory);

} // namespace lumiq::sim
