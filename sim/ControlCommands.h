#pragma once
// The commands of the simulator's control socket, one line each, so that a
// test or a technician can look at and change the simulated modules while
// the tool talks to them.
//
// A reply is "OK <n>" and n more lines, or one line "ERROR <reason>".
//
//   ping
//   list                          one line per module: index, mac, address, link, reply mode, plugged
//   get <m>                       KEY=value for every parameter (values escaped, NAME as GBK bytes)
//   set <m> <KEY> <value>         as "AT+KEY=value" would, without faults; NAME given in UTF-8
//   reply <m> unicast|broadcast
//   fault <m>                     the module's faults: silent, wrong, delay_ms, twice, hidden, malformed,
//                                 refuse, forget
//   fault <m> silent on|off
//   fault <m> wrong <N>           the next N frames are answered "ERROR\r\n"
//   fault <m> delay <ms>          every reply this much later (0: at once)
//   fault <m> twice on|off
//   fault <m> hidden on|off       does not answer the search, takes every other frame
//   fault <m> malformed short|nogt|binary|oversized [count]
//   fault <m> refuse <KEY>|off    sets of KEY ("NAME") are answered "ERROR\r\n"
//   fault <m> forget <KEY>[,<KEY>...]|off
//                                 at every power-up these parameters ("IP,NAME") fall back to
//                                 their factory values, before the module takes its address
//   fault <m> clear
//   reset <m>|all                 factory parameters, no faults (plugged in or not, it stays so)
//   unplug <m>|all                off the LAN (cable pulled, power off): hears nothing, sends
//                                 nothing, answers due are dropped; parameters stay
//   plug <m>|all                  back on the LAN as just powered on: forgets what "fault forget"
//                                 names, then sends from the address of its IP parameter (an alias
//                                 is added for it with --alias-dev). A module plugged in restarts.
//   power-cycle <m>|all [off-ms]  unplug now, plug again after off-ms (2000)
//   log                           the frame log (FrameLog.h), one frame per line
//   log-clear                     forget the frame log, its frame count and the modules' heard counts
//   heard                         one line per module: index, and the frames that reached it since
//                                 the last log-clear: own=<naming its MAC> search=<naming every
//                                 module> other=<naming another module, or without an envelope>
//   wait-frames <N> <timeout-ms>  answers once N frames have been received since
//                                 the last log-clear, or "ERROR timeout"
//   quit                          ends the simulator
//
// <m> is a module's index (from 0) or its current MAC text.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/FrameLog.h"
#include "sim/SimModule.h"

namespace lumiq::sim {

struct FrameWait {
    std::size_t frames;
    std::chrono::milliseconds timeout;
};

struct ControlOutcome {
    ControlOutcome(std::string text, std::optional<FrameWait> until = std::nullopt, bool end = false)
        : reply(std::move(text)), wait(until), quit(end) {}

    std::string reply;             // whole reply text, lines ended by "\n"
    std::optional<FrameWait> wait; // instead of a reply: answer when this is met
    bool quit = false;
};

// The off time of "power-cycle" when none is given.
inline constexpr unsigned long kPowerCycleOffMs = 2000;

ControlOutcome RunControlCommand(std::string_view line, std::vector<SimModule>& modules, FrameLog& log);

std::string ControlOk(const std::vector<std::string>& lines = {});
std::string ControlError(std::string_view reason);

} // namespace lumiq::sim
