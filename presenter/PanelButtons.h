#pragma once
// The panel's buttons as the presenter knows them.

namespace lumiq {

enum class QueryButton : unsigned char { Model, Gateway, Mask, Ip, Dip, Port, DPort, Mac, Dhcp, Name, Uart, Version };
enum class SetButton : unsigned char { Model, Gateway, Mask, Ip, Dip, Port, DPort, Mac, Dhcp, Name, Uart, Default };

}  // namespace lumiq
