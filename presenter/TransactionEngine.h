#pragma once
// The timer side of every exchange with a module. It never blocks: each tick
// does one step and re-arms what the next step needs.
//   TimerRead    the sender: sends the query PendingCommand asks for.
//   TimerPortRes the serial receive window: reads the port, interprets.
//   TimerOut     the destination-IP watch: nags until the set is answered.

#include "presenter/CommandLink.h"
#include "presenter/ControllerPorts.h"
#include "presenter/ReplyInterpreter.h"
#include "state/ToolState.h"

namespace lumiq {

class TransactionEngine {
public:
    TransactionEngine(ToolState& state, const ControllerPorts& ports, CommandLink& link,
                      ReplyInterpreter& interpreter);

    // Port exceptions (serial link) reach the caller.
    void onTimerRead();
    void onTimerPortRes();
    void onTimerOut();

private:
    ToolState& state_;
    ControllerPorts ports_;
    CommandLink& link_;
    ReplyInterpreter& interpreter_;
};

} // namespace lumiq
