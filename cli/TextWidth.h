#pragma once
// How many terminal columns a text takes as it is shown, escaped by
// TerminalText: a Chinese device name takes two per character, an escaped
// control character four ("\x1b"), so a table aligned by bytes or by
// characters would not line up.

#include <cstddef>
#include <string_view>

namespace lumiq::cli {

// `text` as it came, not escaped yet.
std::size_t TextWidth(std::string_view text);

// How many columns a table on stdout may take: $COLUMNS when it holds a
// number, else the terminal's width when stdout is a terminal; 0 (no limit)
// when stdout goes to a file or a pipe, whose reader wants whole rows.
std::size_t OutputWidth();

} // namespace lumiq::cli
