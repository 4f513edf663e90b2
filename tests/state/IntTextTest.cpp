#include <gtest/gtest.h>

#include <stdexcept>

#include "state/IntText.h"

namespace lumiq {
namespace {

TEST(StrToIntStrict, TakesASignAndDecimalDigits) {
    const std::pair<std::string, int> cases[] = {
        {"0", 0},
        {"6", 6},
        {"-1", -1},
        {"+5", 5},
        {"007", 7},
        {"-0", 0},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(StrToIntStrict(text), value) << text;
}

TEST(StrToIntStrict, RefusesEverythingElseWithTheConversionText) {
    for (const std::string text : {"", "abc", "x", " 1", "1 ", "1a", "+", "-", "+-1", "--1", "1.0", "0x10",
                                   "2147483648", "-2147483649", "99999999999999999999", "１"}) {
        try {
            StrToIntStrict(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), "'" + text + "' is not a valid integer value");
        }
    }
}

} // namespace
} // namespace lumiq
