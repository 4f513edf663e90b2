#pragma once
// What a module reported, parameter by parameter, in the canonical forms of
// ValueRules.h (a value that breaks its rule is kept as reported).

#include <map>
#include <string>
#include <string_view>

#include "device/Parameter.h"

namespace lumiq {

using ModuleValues = std::map<Param, std::string>;

// Enters the values that a right reply to the query of `queried` carries
// (payload bytes as received, GBK): all four UART settings for a UART part.
// False, and nothing entered, when a digit-coded value is outside its list or
// the UART settings are cut short: such a reply cannot be read.
[[nodiscard]] bool TakeReplyValues(Param queried, std::string_view payload, ModuleValues& values);

// The value, or empty when it was not read.
std::string ValueOf(const ModuleValues& values, Param param);

} // namespace lumiq
