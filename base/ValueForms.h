#pragma once
// The text forms of addresses and MACs that more than one part of the system
// checks: the tool before it sends, the simulator before it stores.

#include <cstdint>
#include <optional>
#include <string_view>

namespace lumiq {

// Four decimal octets 0-255 of one to three digits each, nothing else. The
// value has the first octet in its highest byte (host order, unlike the
// network-order addresses elsewhere), so that masks can be tested by shifts.
std::optional<std::uint32_t> DottedQuadValue(std::string_view text);

// A run of ones followed by a run of zeros (0.0.0.0 and 255.255.255.255
// included). Host order, as DottedQuadValue gives it.
bool IsMaskValue(std::uint32_t hostOrder);

// Six two-digit hexadecimal bytes joined by ":" (either letter case).
bool IsMacTextForm(std::string_view text);

} // namespace lumiq
