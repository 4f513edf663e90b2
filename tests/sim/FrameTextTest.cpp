// Reading the UDP envelope by its delimiters, and the escaped byte form of
// the frame log and the control socket.

#include <gtest/gtest.h>

#include "sim/ByteEscape.h"
#include "sim/UdpEnvelope.h"

namespace lumiq::sim {
namespace {

TEST(UdpEnvelope, FindsTheFieldsByTheirDelimiters) {
    using namespace std::string_literals;
    const struct {
        std::string datagram, target, sender, rest;
    } cases[] = {
        {"<00:00:00:00:00:00>,<00:11:22:33:44:55>,AT\r\n", "00:00:00:00:00:00", "00:11:22:33:44:55",
         "AT\r\n"},
        {"<aa>,<b>,AT+MODEL=?\r\n", "aa", "b", "AT+MODEL=?\r\n"},             // other MAC lengths
        {"<02:4c:51:00:00:01>,<>,AT\r\n", "02:4c:51:00:00:01", "", "AT\r\n"}, // the tool found no own MAC
        {"<>,<x>,", "", "x", ""},
        {"<m>,<s>,A\0T\r\n"s, "m", "s", "A\0T\r\n"s},
    };
    for (const auto& c : cases) {
        const auto envelope = ParseEnvelope(c.datagram);
        ASSERT_TRUE(envelope) << c.datagram;
        EXPECT_EQ(envelope->target, c.target);
        EXPECT_EQ(envelope->sender, c.sender);
        EXPECT_EQ(envelope->rest, c.rest);
    }
}

TEST(UdpEnvelope, RejectsDatagramsWithoutItsShape) {
    for (const std::string datagram :
         {"", "<", "<00:11", "00:11>,<aa>,AT\r\n", "<aa>,AT\r\n", "<aa>,<bb>AT\r\n", "<aa><bb>,AT\r\n",
          "<aa>,<bb", "<aa>,<bb>", "<aa>;<bb>,AT\r\n", "AT\r\n"})
        EXPECT_FALSE(ParseEnvelope(datagram)) << datagram;
}

TEST(UdpEnvelope, CommandEndsAtTheFirstLineEnd) {
    EXPECT_EQ(CommandLine("AT+VER=?\r\n"), "AT+VER=?");
    EXPECT_EQ(CommandLine("AT\r\nAT+VER=?\r\n"), "AT");
    EXPECT_EQ(CommandLine("\r\n"), "");
    EXPECT_FALSE(CommandLine("AT"));
    EXPECT_FALSE(CommandLine("AT\n"));
    EXPECT_FALSE(CommandLine("AT\r"));
}

TEST(ByteEscape, KeepsEveryByteAndNeverABlank) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string escaped = EscapeBytes(all);
    EXPECT_EQ(escaped.find(' '), std::string::npos);
    EXPECT_EQ(UnescapeBytes(escaped), all);
    EXPECT_EQ(EscapeBytes("<a>,OK\r\n \\"), "<a>,OK\\r\\n\\x20\\\\");
}

TEST(ByteEscape, RefusesBrokenEscapes) {
    for (const char* text : {"\\", "\\x", "\\x4", "\\xg0", "\\q", "ab\\"})
        EXPECT_FALSE(UnescapeBytes(text)) << text;
}

} // namespace
} // namespace lumiq::sim
