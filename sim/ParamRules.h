#pragma once
// A module's parameter set and what the module accepts for each parameter.
// Values are held exactly as the module reports them after "+KEY="; the
// device name is held as GBK bytes.

#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>

namespace lumiq::sim {

// Keyword ("MODEL", "GATEWAY", ...) to value.
using ModuleParams = std::map<std::string, std::string, std::less<>>;

struct ParamRule {
    std::string_view keyword;
    bool settable; // the firmware version can only be read
    bool (*accepts)(std::string_view value);
};

// Every parameter the module knows, in the order the tool reads them.
std::span<const ParamRule> ParamRules();

// Nothing for an unknown keyword. Keywords are upper case, as the module
// compares them byte for byte.
const ParamRule* FindParamRule(std::string_view keyword);

// Four decimal octets 0-255 of one to three digits each.
bool IsDottedQuad(std::string_view text);
// Six two-digit hexadecimal bytes joined by ":" (either letter case).
bool IsMacText(std::string_view text);

} // namespace lumiq::sim
