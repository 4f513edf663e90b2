#include "serial/ComTexts.h"

#include <algorithm>
#include <cctype>

#include "base/AsciiText.h"

namespace lumiq {
namespace {

const std::vector<std::string> kBaudTexts = {"Custom", "110",    "300",    "600",   "1200",  "2400",
                                             "4800",   "9600",   "14400",  "19200", "38400", "56000",
                                             "57600",  "115200", "128000", "256000"};
const std::vector<std::string> kDataBitsTexts = {"5", "6", "7", "8"};
const std::vector<std::string> kStopBitsTexts = {"1", "1.5", "2"};
const std::vector<std::string> kParityTexts = {"None", "Odd", "Even", "Mark", "Space"};
const std::vector<std::string> kFlowTexts = {"Hardware", "Software", "None", "Custom"};
const std::vector<std::string> kDtrTexts = {"Disable", "Enable", "Handshake"};
const std::vector<std::string> kRtsTexts = {"Disable", "Enable", "Handshake", "Toggle"};

template <typename E> std::string TextOf(const std::vector<std::string>& texts, E value) {
    const auto index = static_cast<std::size_t>(value);
    return index < texts.size() ? texts[index] : std::string();
}

template <typename E> E ValueOf(const std::vector<std::string>& texts, const std::string& text, E fallback) {
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (SameAsciiLetters(texts[i], text))
            return static_cast<E>(i);
    return fallback;
}

} // namespace

std::string BaudRateToStr(TBaudRate value) {
    return TextOf(kBaudTexts, value);
}
std::string DataBitsToStr(TDataBits value) {
    return TextOf(kDataBitsTexts, value);
}
std::string StopBitsToStr(TStopBits value) {
    return TextOf(kStopBitsTexts, value);
}
std::string ParityToStr(TParityBits value) {
    return TextOf(kParityTexts, value);
}
std::string FlowControlToStr(TFlowControl value) {
    return TextOf(kFlowTexts, value);
}
std::string DTRToStr(TDTRFlowControl value) {
    return TextOf(kDtrTexts, value);
}
std::string RTSToStr(TRTSFlowControl value) {
    return TextOf(kRtsTexts, value);
}

TBaudRate StrToBaudRate(const std::string& text) {
    return ValueOf(kBaudTexts, text, br9600);
}
TDataBits StrToDataBits(const std::string& text) {
    return ValueOf(kDataBitsTexts, text, dbEight);
}
TStopBits StrToStopBits(const std::string& text) {
    return ValueOf(kStopBitsTexts, text, sbOneStopBit);
}
TParityBits StrToParity(const std::string& text) {
    return ValueOf(kParityTexts, text, prNone);
}
TFlowControl StrToFlowControl(const std::string& text) {
    return ValueOf(kFlowTexts, text, fcCustom);
}
TDTRFlowControl StrToDTR(const std::string& text) {
    return ValueOf(kDtrTexts, text, dtrDisable);
}
TRTSFlowControl StrToRTS(const std::string& text) {
    return ValueOf(kRtsTexts, text, rtsDisable);
}

const std::vector<std::string>& BaudRateTexts() {
    return kBaudTexts;
}
const std::vector<std::string>& DataBitsTexts() {
    return kDataBitsTexts;
}
const std::vector<std::string>& StopBitsTexts() {
    return kStopBitsTexts;
}
const std::vector<std::string>& ParityTexts() {
    return kParityTexts;
}
const std::vector<std::string>& FlowControlTexts() {
    return kFlowTexts;
}

} // namespace lumiq
