#include "protocol/CommandLink.h"

#include "protocol/Frames.h"
#include "state/AddressText.h"
#include "state/ModuleRegistry.h"

namespace lumiq {

CommandLink::CommandLink(ToolState& state, UdpLink& udp, SerialLink& serial)
    : state_(state), udp_(udp), serial_(serial) {}

void CommandLink::targetSelectedModule() {
    state_.SelectedMacText = SelectedMac(state_);
}

void CommandLink::send(const std::string& line) {
    if (state_.LinkMode == LinkMode::Serial) {
        serial_.writeStr(line);
        return;
    }
    udp_.sendTo(ParseIp(kBroadcastText), kModulePort, UdpEnvelope(state_.SelectedMacText, state_.LocalMacText) + line);
}

}  // namespace lumiq
