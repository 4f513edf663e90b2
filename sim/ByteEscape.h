#pragma once
// One printable form for arbitrary bytes, used by the frame log and the
// control socket: every line stays one token without blanks, and tests can
// turn it back into the exact bytes.

#include <optional>
#include <string>
#include <string_view>

namespace lumiq::sim {

// Printable ASCII but blank and backslash stays as it is; "\r", "\n", "\t"
// and "\\" are written so; every other byte becomes "\xNN" (lower-case hex).
std::string EscapeBytes(std::string_view bytes);

// The inverse of EscapeBytes; nothing for a malformed escape.
std::optional<std::string> UnescapeBytes(std::string_view text);

} // namespace lumiq::sim
