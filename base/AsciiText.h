#pragma once
// ASCII letter case and blanks. Only the 26 ASCII letters fold: bytes of a
// multi-byte text (GBK, UTF-8) always compare exactly.

#include <string>
#include <string_view>

namespace lumiq {

// Blanks as an INI or CSV line may hold them around a name or a value.
inline constexpr std::string_view kAsciiBlanks = " \t\v\f\r";

constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string AsciiLowered(std::string_view text);

// Equal but for the letter case of ASCII letters.
bool SameAsciiLetters(std::string_view a, std::string_view b);

// Before `b` in an order that ignores ASCII letter case.
bool AsciiLessIgnoringCase(std::string_view a, std::string_view b);

// The text without the given blanks at either end.
std::string_view Trimmed(std::string_view text, std::string_view blanks = kAsciiBlanks);

} // namespace lumiq
