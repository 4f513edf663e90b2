#include "state/ToolState.h"

namespace lumiq {

ToolState::ToolState()
    : SettingKeys{"Model", "GateWay", "Mask",     "IP",      "DIP",     "Port",
                  "DPort", "BaudRate", "DataBit", "StopBit", "Parity", "MAC"} {}

}  // namespace lumiq
