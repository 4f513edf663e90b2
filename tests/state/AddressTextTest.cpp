#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

#include "state/AddressText.h"
#include "state/Errors.h"

namespace lumiq {
namespace {

using Bytes = std::array<unsigned char, 4>;

// Addresses are compared as bytes in memory: first octet lowest.
Bytes MemoryBytes(std::uint32_t address) {
    Bytes bytes{};
    std::memcpy(bytes.data(), &address, sizeof address);
    return bytes;
}

std::uint32_t FromBytes(const Bytes& bytes) {
    std::uint32_t address = 0;
    std::memcpy(&address, bytes.data(), sizeof address);
    return address;
}

TEST(IpToText, WritesOctetsFromTheLowestAddressedByte) {
    EXPECT_EQ(IpToText(FromBytes({0xC0, 0xA8, 0x01, 0xC7})), "192.168.1.199");
    EXPECT_EQ(IpToText(0), "0.0.0.0");
    EXPECT_EQ(IpToText(0xFFFFFFFFu), "255.255.255.255");
    EXPECT_EQ(IpToText(FromBytes({10, 0, 0, 7})), "10.0.0.7");
}

struct ParseCase {
    std::string_view text;
    Bytes expected;
};

class ParseIpTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseIpTable, GivesTheBytesOfTheEightBitParser) {
    EXPECT_EQ(MemoryBytes(ParseIp(GetParam().text)), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseIpTable,
    ::testing::Values(ParseCase{"192.168.1.199", {0xC0, 0xA8, 0x01, 0xC7}},
                      ParseCase{"255.255.255.255", {0xFF, 0xFF, 0xFF, 0xFF}},
                      ParseCase{"0.0.0.0", {0, 0, 0, 0}},
                      // An octet of four characters adds nothing.
                      ParseCase{"1234.5.6.7", {0, 5, 6, 7}},
                      // Octets wrap at 256.
                      ParseCase{"300.1.1.1", {44, 1, 1, 1}}, ParseCase{"999.0.0.1", {231, 0, 0, 1}},
                      // Missing and empty octets are 0; text after the fourth is ignored.
                      ParseCase{"10.1", {10, 1, 0, 0}}, ParseCase{"1..2.3", {1, 0, 2, 3}},
                      ParseCase{".1.2.3", {0, 1, 2, 3}}, ParseCase{"1.2.3.", {1, 2, 3, 0}},
                      ParseCase{"1.2.3.4.5", {1, 2, 3, 4}}, ParseCase{"01.002.3.4", {1, 2, 3, 4}},
                      // Characters are not checked to be digits: 'a' - '0' is 49,
                      // and a trailing blank makes "4 " worth 4 * 10 + (' ' - '0').
                      ParseCase{"a.1.1.1", {49, 1, 1, 1}}, ParseCase{"1.2.3.4 ", {1, 2, 3, 24}},
                      // The text ends at its first NUL.
                      ParseCase{std::string_view("1.2\0.9.9", 8), {1, 2, 0, 0}}));

TEST(ParseIp, RefusesAnEmptyTextWithARangeCheckError) {
    EXPECT_THROW(ParseIp(""), RangeCheckError);
    try {
        ParseIp(std::string_view());
        FAIL() << "no exception";
    } catch (const RangeCheckError& error) {
        EXPECT_STREQ(error.what(), "Range check error");
    }
}

TEST(ParseIp, NeverReadsPastTheText) {
    // A buffer exactly as long as the text, with no terminator after it: the
    // sanitizer build reports any read beyond.
    for (const std::string_view text : {"1", "1.2.3", "12.34.56.78", "1234", "1."}) {
        std::unique_ptr<char[]> exact(new char[text.size()]);
        std::memcpy(exact.get(), text.data(), text.size());
        const std::string_view view(exact.get(), text.size());
        EXPECT_EQ(ParseIp(view), ParseIp(std::string(text))) << text;
    }
}

TEST(ParseIp, ReadsBackEveryDottedText) {
    for (const Bytes bytes : {Bytes{0, 0, 0, 0}, Bytes{1, 2, 3, 4}, Bytes{192, 168, 0, 255},
                              Bytes{255, 0, 10, 99}, Bytes{255, 255, 255, 255}}) {
        const std::uint32_t address = FromBytes(bytes);
        EXPECT_EQ(ParseIp(IpToText(address)), address) << IpToText(address);
    }
}

} // namespace
} // namespace lumiq
