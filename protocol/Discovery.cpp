#include "protocol/Discovery.h"

#include <string>
#include <string_view>

#include "protocol/Frames.h"
#include "protocol/OperatorNotice.h"
#include "protocol/ReplyFields.h"
#include "state/AddressText.h"
#include "state/ModuleRegistry.h"

namespace lumiq {

Discovery::Discovery(ToolState& state, const ControllerPorts& ports, ReplyInterpreter& interpreter,
                     PanelCommands& panel)
    : state_(state), ports_(ports), interpreter_(interpreter), panel_(panel) {}

void Discovery::search() {
    ports_.list.clearLines();
    ClearModules(state_);
    if (!ports_.udp.active()) return;
    state_.PendingCommand = kSearchOpen;
    state_.SeenMacs.fill(std::string());
    ports_.udp.sendTo(ParseIp(kBroadcastText), kModulePort, DiscoveryFrame(state_.LocalMacText));
}

void Discovery::onDatagram(std::uint32_t peerIp, std::uint16_t peerPort, const char* data, std::size_t length) {
    // Our own copy: a warning's nested loop may receive into the caller's
    // buffer before this datagram is done with.
    const std::string datagram = length == 0 ? std::string() : std::string(data, length);
    // Our own broadcast coming back; it must not clear TimeoutArmed either.
    if (peerIp == state_.LocalIp) return;
    state_.TimeoutArmed = 0;

    if (state_.PendingCommand == kSearchOpen) {
        const std::string mac = ReplyMac(datagram);
        // A datagram that names no module (an empty MAC, or no ">" closing
        // the header at all) is not a module's answer: drop it entirely.
        if (!HasMacEnd(datagram) || (mac.empty() && seenListHasRoom())) return;
        rememberSeen(mac);
        registerModule(peerIp, peerPort, mac);
    }
    interpreter_.interpret(ReplyPayload(datagram));
}

void Discovery::registerModule(std::uint32_t peerIp, std::uint16_t peerPort, const std::string& mac) {
    OperatorDialogs& dialogs = ports_.dialogs;
    const std::string line =
        AddModule(state_, peerIp, peerPort, mac, [&dialogs](const std::string& text) { ShowNotice(dialogs, text); });
    // Empty when the registry is full: the module is neither stored nor listed.
    if (!line.empty()) ports_.list.appendLine(line);
}

bool Discovery::seenListHasRoom() const {
    for (const std::string& seen : state_.SeenMacs) {
        if (seen.empty()) return true;
    }
    return false;
}

void Discovery::rememberSeen(const std::string& mac) {
    for (std::string& seen : state_.SeenMacs) {
        if (seen.empty()) {
            seen = mac;
            return;
        }
    }
    // All slots used: the MAC is not recorded, nothing else happens.
}

void Discovery::select(int index) {
    if (index < 0 || index >= state_.ModuleCount) return;
    state_.SelectedModule = index;
    state_.SelectedMacText = SelectedMac(state_);
    panel_.readAll();
}

}  // namespace lumiq
