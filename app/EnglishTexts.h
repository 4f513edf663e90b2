#pragma once
// The window's texts in English. The window is written in Chinese; this is
// the English for each of its texts, whole, or for a text composed around
// values ("端口 %1 已打开或不存在": %1, %2, ... stand for the values, in the
// order they appear in both languages). Texts sent to modules never pass
// through here.

#include <span>
#include <string_view>

namespace lumiq {

struct TextTranslation {
    std::string_view chinese;
    std::string_view english;
};

std::span<const TextTranslation> EnglishTexts();

} // namespace lumiq
