#include <gtest/gtest.h>

#include <random>

#include "base/GbkText.h"

namespace lumiq {
namespace {

// A strict UTF-8 check: shortest forms only, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned int min = 0;
        unsigned int code = 0;
        if (lead < 0x80)
            length = 1, code = lead;
        else if ((lead & 0xE0) == 0xC0)
            length = 2, min = 0x80, code = lead & 0x1F;
        else if ((lead & 0xF0) == 0xE0)
            length = 3, min = 0x800, code = lead & 0x0F;
        else if ((lead & 0xF8) == 0xF0)
            length = 4, min = 0x10000, code = lead & 0x07;
        else
            return false;
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

TEST(GbkText, ChineseCharactersAreTwoBytes) {
    EXPECT_EQ(Utf8ToGbk("设备名称"), "\xC9\xE8\xB1\xB8\xC3\xFB\xB3\xC6");
    EXPECT_EQ(GbkToUtf8("\xC9\xE8\xB1\xB8\xC3\xFB\xB3\xC6"), "设备名称");

    const std::pair<std::string_view, std::size_t> counts[] = {
        {"", 0}, {"abc", 3}, {"设备名称", 8}, {"AT+NAME=设备", 12}, {"提示：", 6}};
    for (const auto& [text, bytes] : counts)
        EXPECT_EQ(GbkByteCount(text), bytes) << text;
}

TEST(GbkText, TextsGbkHoldsComeBackUnchanged) {
    for (const std::string_view text :
         {"", "AT+MODEL=?\r\n", "设备名称", "两个或以上的模块MAC地址、IP地址相同，请通过串口功能设置", "€"}) {
        EXPECT_EQ(GbkToUtf8(Utf8ToGbk(text)), text);
    }
}

TEST(GbkText, WhatGbkCannotHoldBecomesAQuestionMarkEach) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"a😀b", "a?b"},                   // four-byte character, one "?"
        {"设😀😀备", "\xC9\xE8??\xB1\xB8"}, // each character, not each byte
        {"\xE0\xB8\x81", "?"},            // Thai letter
        {"a\xFF"
         "b",
         "a?b"},              // a byte that is no UTF-8
        {"a\xE8\xAE", "a??"}, // a character cut short: each byte is stray
        {std::string_view("a\0b", 3), std::string_view("a\0b", 3)},
    };
    for (const auto& [utf8, gbk] : cases)
        EXPECT_EQ(Utf8ToGbk(utf8), gbk) << utf8;
}

TEST(GbkText, BytesThatAreNotGbkBecomeReplacementCharacters) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"\xFF", "\uFFFD"},
        {"a\xC9", "a\uFFFD"}, // lead byte without its trail
        {"\xC9\xE8\xC9", "设\uFFFD"},
        {"\x81\x30"
         "b",
         "\uFFFD"
         "0b"}, // a bad trail byte is read again as itself
    };
    for (const auto& [gbk, utf8] : cases)
        EXPECT_EQ(GbkToUtf8(gbk), utf8);
}

TEST(GbkText, AnyBytesGiveValidUtf8) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 40);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : bytes)
            c = static_cast<char>(byte(random));
        const std::string utf8 = GbkToUtf8(bytes);
        ASSERT_TRUE(IsValidUtf8(utf8)) << "round " << round;
        // And back again without a crash; the count is that of the text.
        EXPECT_EQ(GbkByteCount(utf8), Utf8ToGbk(utf8).size());
    }
}

TEST(GbkText, WholeCharactersLengthDropsHalfACharacterAtTheEnd) {
    const std::pair<std::string_view, std::size_t> cases[] = {{"", 0},
                                                              {"ab", 2},
                                                              {"\xC9\xE8", 2},
                                                              {"a\xC9", 1},
                                                              {"\xC9\xE8\xB1", 2},
                                                              {"\xC9\xE8"
                                                               "a",
                                                               3}};
    for (const auto& [gbk, length] : cases)
        EXPECT_EQ(GbkWholeCharactersLength(gbk), length);
}

} // namespace
} // namespace lumiq
