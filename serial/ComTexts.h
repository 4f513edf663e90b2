#pragma once
// Display texts of the port's settings, and back. A text is matched as a
// whole, without regard to case; a text that matches none gives the
// setting's default (br9600, dbEight, sbOneStopBit, prNone, fcCustom,
// dtrDisable, rtsDisable).

#include <string>
#include <vector>

#include "serial/ComTypes.h"

namespace lumiq {

std::string BaudRateToStr(TBaudRate value);
std::string DataBitsToStr(TDataBits value);
std::string StopBitsToStr(TStopBits value);
std::string ParityToStr(TParityBits value);
std::string FlowControlToStr(TFlowControl value);
std::string DTRToStr(TDTRFlowControl value);
std::string RTSToStr(TRTSFlowControl value);

TBaudRate StrToBaudRate(const std::string& text);
TDataBits StrToDataBits(const std::string& text);
TStopBits StrToStopBits(const std::string& text);
TParityBits StrToParity(const std::string& text);
TFlowControl StrToFlowControl(const std::string& text);
TDTRFlowControl StrToDTR(const std::string& text);
TRTSFlowControl StrToRTS(const std::string& text);

// All texts of a setting in ordinal order, for filling a list.
const std::vector<std::string>& BaudRateTexts();
const std::vector<std::string>& DataBitsTexts();
const std::vector<std::string>& StopBitsTexts();
const std::vector<std::string>& ParityTexts();
const std::vector<std::string>& FlowControlTexts();

} // namespace lumiq
