#pragma once
// Bytes to and from modules, and the settings file, are GBK (code page 936).
// The user interface works in UTF-8. Conversions go through iconv.

#include <cstddef>
#include <string>
#include <string_view>

namespace lumiq {

// Characters GBK cannot hold become "?", as the Windows conversion does.
std::string Utf8ToGbk(std::string_view utf8);
// Bytes that are not GBK become U+FFFD; the result is always valid UTF-8.
std::string GbkToUtf8(std::string_view gbk);
// Length in GBK bytes: a Chinese character counts 2.
std::size_t GbkByteCount(std::string_view utf8);
// Length of the longest start of `gbk` that does not end inside a two-byte
// character; a text cut at a byte limit may have split its last one.
std::size_t GbkWholeCharactersLength(std::string_view gbk);

} // namespace lumiq
