#include "presenter/CommandLink.h"

#include "device/Frames.h"
#include "state/AddressText.h"
#include "state/ModuleRegistry.h"

namespace lumiq {

CommandLink::CommandLink(ToolState& state, UdpLink& udp, SerialLink& serial,
                         const std::vector<SearchRoute>& routes)
    : state_(state), udp_(udp), serial_(serial), routes_(routes) {}

void CommandLink::targetSelectedModule() {
    state_.SelectedMacText = SelectedMac(state_);
}

void CommandLink::send(const std::string& line) {
    if (state_.LinkMode == LinkMode::Serial) {
        serial_.writeStr(line);
        return;
    }
    const SearchRoute* through = RouteByIndex(routes_, SelectedAdapter(state_));
    if (through == nullptr) {
        udp_.sendTo(ParseIp(kBroadcastText), kModulePort,
                    UdpEnvelope(state_.SelectedMacText, state_.LocalMacText) + line);
        return;
    }
    const AdapterRoute& route = through->route;
    udp_.sendFrom(ParseIp(kBroadcastText), kModulePort,
                  UdpEnvelope(state_.SelectedMacText, route.localMac) + line, route.source, route.ifindex);
}

} // namespace lumiq
