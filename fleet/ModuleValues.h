#pragma once
// What a module reported, parameter by parameter, in the canonical forms of
// ValueRules.h (a value that breaks its rule is kept as reported).

#include <map>
#include <string>
#include <string_view>

#include "fleet/Parameter.h"
#include "protocol/CommandTable.h"

namespace lumiq::fleet {

using ModuleValues = std::map<Param, std::string>;

// Enters the values that a right reply to `query` carries (payload bytes as
// received, GBK). The link test and the factory default carry none. False,
// and nothing entered, when a digit-coded value is outside its list or the
// UART settings are cut short: such a reply cannot be read.
[[nodiscard]] bool TakeReplyValues(const QueryCommand& query, std::string_view payload, ModuleValues& values);

// The value, or empty when it was not read.
std::string ValueOf(const ModuleValues& values, Param param);

} // namespace lumiq::fleet
