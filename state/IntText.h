#pragma once
// The strict decimal conversion used when a stored combo index is restored.

#include <string>

namespace lumiq {

// An optional "+" or "-" followed by one or more decimal digits, nothing else
// (no blanks: stored values have theirs dropped already), within int range.
// Throws std::runtime_error "'<text>' is not a valid integer value".
int StrToIntStrict(const std::string& text);

} // namespace lumiq
