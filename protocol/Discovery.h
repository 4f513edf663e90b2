#pragma once
// Finding modules: the search broadcast, the receive path of every datagram
// (registering modules while a search is open, then handing the payload to
// the reply interpreter), and the selection of the target module.

#include <cstddef>
#include <cstdint>

#include "protocol/ControllerPorts.h"
#include "protocol/PanelCommands.h"
#include "protocol/ReplyInterpreter.h"
#include "state/ToolState.h"

namespace lumiq {

class Discovery {
public:
    Discovery(ToolState& state, const ControllerPorts& ports, ReplyInterpreter& interpreter, PanelCommands& panel);

    void search();
    // Re-entrant: a duplicate warning runs a nested loop in which further
    // datagrams arrive and are processed in full.
    void onDatagram(std::uint32_t peerIp, std::uint16_t peerPort, const char* data, std::size_t length);
    // -1 (no line selected) and indexes past the list do nothing.
    void select(int index);

private:
    void registerModule(std::uint32_t peerIp, std::uint16_t peerPort, const std::string& mac);
    void rememberSeen(const std::string& mac);
    bool seenListHasRoom() const;

    ToolState& state_;
    ControllerPorts ports_;
    ReplyInterpreter& interpreter_;
    PanelCommands& panel_;
};

}  // namespace lumiq
