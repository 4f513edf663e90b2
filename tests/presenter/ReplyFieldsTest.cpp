// Taking replies apart never reads past the received bytes, whatever arrives.

#include <gtest/gtest.h>

#include <string>

#include "device/ReplyFields.h"

namespace lumiq {
namespace {

using namespace std::string_literals;

struct HeaderCase {
    const char* name;
    std::string datagram;
    std::string mac;
    bool macEnd;
    std::string payload;
};

TEST(ReplyHeader, MacAndPayloadStayInsideTheDatagram) {
    const std::string longMac(300, 'A');
    const HeaderCase cases[] = {
        {"well formed", "<00:1a:2b:3c:4d:5e>,+IP=192.168.1.199\r\n", "00:1a:2b:3c:4d:5e", true,
         "+IP=192.168.1.199\r\n"},
        {"empty", "", "", false, ""},
        {"one byte", "<", "", false, ""},
        {"empty MAC", "<>,OK", "", true, ""},
        {"short, no >", "<00:1a", "00:1a", false, ""},
        {"exactly 20 bytes", "<00:1a:2b:3c:4d:5e>,", "00:1a:2b:3c:4d:5e", true, ""},
        {"21 bytes", "<00:1a:2b:3c:4d:5e>,O", "00:1a:2b:3c:4d:5e", true, "O"},
        {"no > at all", "<" + std::string(40, 'x'), std::string(40, 'x'), false, std::string(21, 'x')},
        {"short MAC shifts nothing", "<ab>,0123456789abcdeOK\r\n", "ab", true, "OK\r\n"},
        {"zero in the payload", "<00:1a:2b:3c:4d:5e>,OK\0+MODEL=1"s, "00:1a:2b:3c:4d:5e", true, "OK"},
        {"zero in the MAC",
         "<00:1a\0"
         "2b:3c:4d:5e>,OK"s,
         "00:1a", false, "OK"},
        {"binary", "\xff\xfe\x01\x02>"s + std::string(30, '\x80'), "\xfe\x01\x02", true,
         std::string(15, '\x80')},
        {"oversized", "<" + longMac + ">," + "OK", longMac, true, std::string(281, 'A') + ">,OK"},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReplyMac(c.datagram), c.mac);
        EXPECT_EQ(HasMacEnd(c.datagram), c.macEnd);
        EXPECT_EQ(ReplyPayload(c.datagram), c.payload);
    }
}

TEST(ReplyValues, TextRunsToCrOrEndAndKeepsWhatFits) {
    EXPECT_EQ(TextValueAt("+IP=192.168.1.199\r\n", 4), "192.168.1.199");
    EXPECT_EQ(TextValueAt("+IP=192.168.1.199", 4), "192.168.1.199");                          // no CR
    EXPECT_EQ(TextValueAt("+NAME=abcdefghijklmnopqrstuvwxyz\r\n", 6), "abcdefghijklmnopqrs"); // 19 bytes
    EXPECT_EQ(TextValueAt("+IP=", 4), "");
    EXPECT_EQ(TextValueAt("+IP", 4), ""); // offset beyond the payload
    EXPECT_EQ(TextValueAt("", 9), "");
}

TEST(ReplyValues, DigitIsTheByteLessZeroAndZeroBeyondThePayload) {
    EXPECT_EQ(DigitValueAt("+MODEL=2", 7), 2);
    EXPECT_EQ(DigitValueAt("xx+MODEL=2", 7), 'L' - '0'); // keyword elsewhere, value still at byte 7
    EXPECT_EQ(DigitValueAt("+MODEL=/", 7), 255);         // "0" less one, as a byte
    EXPECT_EQ(DigitValueAt("+MODEL=\xff", 7), 0xff - '0');
    EXPECT_EQ(DigitValueAt("+MODEL", 7), 208); // the cleared buffer's zero byte
}

TEST(ReplyValues, UartSplitsAtTheFirstCommaAfterTheBaud) {
    struct Case {
        const char* payload;
        std::string baud;
        int dataBits, stopBits, parity;
    };
    const Case cases[] = {
        {"+UART=115200,8,3,2\r\n", "115200", 8, 3, 2},
        {"+UART=9600,8,1,0", "9600", 8, 1, 0},
        {"+UART=9600;8;1;0", "9600;8", 208, 208, 208},      // no comma: digits beyond the payload
        {"+UART=1152000,9,x,1", "115200", 9, 'x' - '0', 1}, // only 6 baud bytes kept
        {"+UART=,8,1,0", "", 8, 1, 0},
        {"+UART=9600,8", "9600", 8, 208, 208},
        {"+UART", "", 208, 208, 208},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payload);
        const UartValues values = UartValuesOf(c.payload);
        EXPECT_EQ(values.baud, c.baud);
        EXPECT_EQ(values.dataBits, c.dataBits);
        EXPECT_EQ(values.stopBits, c.stopBits);
        EXPECT_EQ(values.parity, c.parity);
    }
}

} // namespace
} // namespace lumiq
