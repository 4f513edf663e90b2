#pragma once
// How many terminal columns a UTF-8 text takes: a Chinese device name takes
// two per character, so a table aligned by bytes or by characters would not
// line up.

#include <cstddef>
#include <string_view>

namespace lumiq::cli {

std::size_t TextWidth(std::string_view utf8);

}  // namespace lumiq::cli
