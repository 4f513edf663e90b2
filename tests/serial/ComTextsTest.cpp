// Setting texts: whole-text matches without regard to case, defaults for
// anything else, and round trips over every enumerator.

#include <gtest/gtest.h>

#include "serial/ComTexts.h"

namespace lumiq {
namespace {

TEST(ComTexts, UnknownTextsGiveEachSettingsDefault) {
    EXPECT_EQ(StrToBaudRate("9601"), br9600);
    EXPECT_EQ(StrToBaudRate(""), br9600);
    EXPECT_EQ(StrToDataBits(""), dbEight);
    EXPECT_EQ(StrToStopBits("1.50"), sbOneStopBit);
    EXPECT_EQ(StrToParity("Evens"), prNone);
    EXPECT_EQ(StrToFlowControl("none "), fcCustom);
    EXPECT_EQ(StrToDTR("on"), dtrDisable);
    EXPECT_EQ(StrToRTS("off"), rtsDisable);
}

TEST(ComTexts, CaseDoesNotMatter) {
    EXPECT_EQ(StrToBaudRate("custom"), brCustom);
    EXPECT_EQ(StrToParity("even"), prEven);
    EXPECT_EQ(StrToParity("SPACE"), prSpace);
    EXPECT_EQ(StrToFlowControl("hardware"), fcHardware);
    EXPECT_EQ(StrToRTS("toggle"), rtsToggle);
    EXPECT_EQ(StrToDTR("HANDSHAKE"), dtrHandshake);
}

TEST(ComTexts, EveryEnumeratorRoundTripsThroughItsText) {
    for (int i = 0; i <= br256000; ++i)
        EXPECT_EQ(StrToBaudRate(BaudRateToStr(static_cast<TBaudRate>(i))), i);
    for (int i = 0; i <= dbEight; ++i)
        EXPECT_EQ(StrToDataBits(DataBitsToStr(static_cast<TDataBits>(i))), i);
    for (int i = 0; i <= sbTwoStopBits; ++i)
        EXPECT_EQ(StrToStopBits(StopBitsToStr(static_cast<TStopBits>(i))), i);
    for (int i = 0; i <= prSpace; ++i)
        EXPECT_EQ(StrToParity(ParityToStr(static_cast<TParityBits>(i))), i);
    for (int i = 0; i <= fcCustom; ++i)
        EXPECT_EQ(StrToFlowControl(FlowControlToStr(static_cast<TFlowControl>(i))), i);
    EXPECT_EQ(BaudRateToStr(br14400), "14400");
    EXPECT_EQ(StopBitsToStr(sbOne5StopBits), "1.5");
    EXPECT_EQ(BaudRateToStr(static_cast<TBaudRate>(16)), "") << "outside the table";
}

} // namespace
} // namespace lumiq
