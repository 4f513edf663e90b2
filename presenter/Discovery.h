#pragma once
// Finding modules: the search broadcast, the receive path of every datagram
// (registering modules while a search is open, then handing the payload to
// the reply interpreter), and the selection of the target module.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/AdapterRoute.h"
#include "presenter/ControllerPorts.h"
#include "presenter/PanelCommands.h"
#include "presenter/ReplyInterpreter.h"
#include "state/ToolState.h"

namespace lumiq {

class Discovery {
public:
    // `routes`: the adapters of the latest search, kept here for the frames
    // that follow it (CommandLink reads them).
    Discovery(ToolState& state, const ControllerPorts& ports, ReplyInterpreter& interpreter,
              PanelCommands& panel, std::vector<SearchRoute>& routes);

    // Without routes (自动) one search frame goes to the limited broadcast as
    // the kernel routes it, from LocalIp's adapter. With routes, on each the
    // frame goes to the limited and the directed broadcast from that adapter,
    // with its own MAC text; only replies arriving on them are entered.
    void search(std::vector<SearchRoute> routes = {});
    // Re-entrant: a duplicate warning runs a nested loop in which further
    // datagrams arrive and are processed in full. `arrivalAdapter`: the
    // interface index it arrived on (0: not known).
    void onDatagram(std::uint32_t peerIp, std::uint16_t peerPort, const char* data, std::size_t length,
                    unsigned arrivalAdapter = 0);
    // -1 (no line selected) and indexes past the list do nothing.
    void select(int index);

private:
    // An answer the registry has no other copy of.
    struct Answer {
        std::uint32_t ip;
        std::string mac;
        unsigned adapter;
    };

    bool isOwnAddress(std::uint32_t ip) const;
    bool entersRegistry(const Answer& answer) const;
    void registerModule(const Answer& answer, std::uint16_t peerPort);
    void rememberSeen(const std::string& mac);
    bool seenListHasRoom() const;

    ToolState& state_;
    ControllerPorts ports_;
    ReplyInterpreter& interpreter_;
    PanelCommands& panel_;
    std::vector<SearchRoute>& routes_;
    // Answers being entered while their warnings wait in a nested loop.
    std::vector<Answer> entering_;
};

} // namespace lumiq
