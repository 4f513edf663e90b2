#include "presenter/Discovery.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "device/Frames.h"
#include "device/ReplyFields.h"
#include "presenter/OperatorNotice.h"
#include "state/AddressText.h"
#include "state/ModuleRegistry.h"

namespace lumiq {

Discovery::Discovery(ToolState& state, const ControllerPorts& ports, ReplyInterpreter& interpreter,
                     PanelCommands& panel, std::vector<SearchRoute>& routes)
    : state_(state), ports_(ports), interpreter_(interpreter), panel_(panel), routes_(routes) {}

void Discovery::search(std::vector<SearchRoute> routes) {
    ports_.list.clearLines();
    ClearModules(state_);
    routes_ = std::move(routes);
    if (!ports_.udp.active())
        return;
    state_.PendingCommand = kSearchOpen;
    state_.SeenMacs.fill(std::string());
    if (routes_.empty()) {
        ports_.udp.sendTo(ParseIp(kBroadcastText), kModulePort, DiscoveryFrame(state_.LocalMacText));
        return;
    }
    for (const SearchRoute& route : routes_) {
        const std::string frame = DiscoveryFrame(route.route.localMac);
        for (const std::uint32_t destination : SearchDestinations(route))
            ports_.udp.sendFrom(destination, kModulePort, frame, route.route.source, route.route.ifindex);
    }
}

void Discovery::onDatagram(std::uint32_t peerIp, std::uint16_t peerPort, const char* data, std::size_t length,
                           unsigned arrivalAdapter) {
    // Our own copy: a warning's nested loop may receive into the caller's
    // buffer before this datagram is done with.
    const std::string datagram = length == 0 ? std::string() : std::string(data, length);
    // Our own broadcast coming back; it must not clear TimeoutArmed either.
    if (isOwnAddress(peerIp))
        return;
    state_.TimeoutArmed = 0;

    if (state_.PendingCommand == kSearchOpen) {
        const std::string mac = ReplyMac(datagram);
        // A datagram that names no module (an empty MAC, or no ">" closing
        // the header at all) is not a module's answer: drop it entirely.
        if (!HasMacEnd(datagram) || (mac.empty() && seenListHasRoom()))
            return;
        // After a search as 自动 the adapter is not kept: its frames follow
        // the kernel's route, as the search's did.
        const Answer answer{peerIp, mac, routes_.empty() ? 0 : arrivalAdapter};
        if (entersRegistry(answer)) {
            rememberSeen(mac);
            registerModule(answer, peerPort);
        }
    }
    interpreter_.interpret(ReplyPayload(datagram));
}

bool Discovery::isOwnAddress(std::uint32_t ip) const {
    if (ip == state_.LocalIp)
        return true;
    return std::any_of(routes_.begin(), routes_.end(),
                       [ip](const SearchRoute& r) { return r.route.source == ip; });
}

bool Discovery::entersRegistry(const Answer& answer) const {
    // 自动: every answer is entered as it comes, repeats warned about.
    if (routes_.empty())
        return true;
    if (RouteByIndex(routes_, answer.adapter) == nullptr)
        return false; // not on a chosen adapter
    // Each module hears our frame twice on an adapter (limited and directed
    // broadcast) and answers both: the second answer is no second module.
    const auto same = [&](const Answer& other) {
        return other.ip == answer.ip && other.mac == answer.mac && other.adapter == answer.adapter;
    };
    return !HasEntry(state_, answer.ip, answer.mac, answer.adapter) &&
           std::none_of(entering_.begin(), entering_.end(), same);
}

void Discovery::registerModule(const Answer& answer, std::uint16_t peerPort) {
    OperatorDialogs& dialogs = ports_.dialogs;
    // Nested answers are done before this one goes on, so it is the last.
    entering_.push_back(answer);
    const struct Entered {
        std::vector<Answer>& answers;
        ~Entered() { answers.pop_back(); }
    } entered{entering_};
    const std::string line = AddModule(
        state_, answer.ip, peerPort, answer.mac,
        [&dialogs](const std::string& text) { ShowNotice(dialogs, text); }, answer.adapter);
    // Empty when the registry is full: the module is neither stored nor listed.
    if (line.empty())
        return;
    ports_.list.appendLine(line);
    const SearchRoute* route = RouteByIndex(routes_, answer.adapter);
    if (route != nullptr && SpansAdapters(routes_))
        ports_.list.setLineTip(state_.ModuleCount - 1, "网卡：" + route->route.adapter);
}

bool Discovery::seenListHasRoom() const {
    for (const std::string& seen : state_.SeenMacs) {
        if (seen.empty())
            return true;
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
    if (index < 0 || index >= state_.ModuleCount)
        return;
    state_.SelectedModule = index;
    state_.SelectedMacText = SelectedMac(state_);
    panel_.readAll();
}

} // namespace lumiq
