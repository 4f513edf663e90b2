#include "presenter/TransactionEngine.h"

#include <string>

#include "presenter/CommandBindings.h"
#include "presenter/EngineTiming.h"
#include "presenter/OperatorNotice.h"

namespace lumiq {

TransactionEngine::TransactionEngine(ToolState& state, const ControllerPorts& ports, CommandLink& link,
                                     ReplyInterpreter& interpreter)
    : state_(state), ports_(ports), link_(link), interpreter_(interpreter) {}

void TransactionEngine::onTimerRead() {
    EngineTimer& timerRead = ports_.timerRead;
    timerRead.setEnabled(false);
    timerRead.setInterval(kSenderTickMs);

    // Armed by the link test and the default resend; any datagram from
    // another host since then would have cleared it.
    if (state_.TimeoutArmed != 0) {
        state_.TimeoutArmed = 0;
        ShowNotice(ports_.dialogs, "应答超时");
        return;
    }
    const bool udp = state_.LinkMode == LinkMode::Udp;
    if (udp && !ports_.udp.active()) {
        ShowNotice(ports_.dialogs, "UDP没建立");
        return;
    }
    // Awaiting codes send nothing: the tick only keeps the sender alive.
    if (const QueryCommand* query = QueryBySendCode(state_.PendingCommand)) {
        link_.targetSelectedModule();
        link_.send(std::string(query->wire().line));
        state_.PendingCommand = query->awaitCode();
        ports_.log.addLogLine(query->caption);
        if (query->sendCode == kLinkTestSend || query->sendCode == kDefaultResend)
            state_.TimeoutArmed = 1;
    }
    // On the serial link the receive window follows every tick, and the
    // interpreter re-arms the sender once it has seen the reply.
    if (udp) {
        timerRead.setEnabled(true);
    } else {
        ports_.timerPortRes.setEnabled(true);
    }
}

void TransactionEngine::onTimerPortRes() {
    ports_.timerPortRes.setEnabled(false);
    ports_.timerPortRes.setInterval(kSerialReceiveWindowMs);
    state_.TimeoutArmed = 0;
    const std::string received = ports_.serial.readStr(kSerialReadMax);
    // An empty window leaves the exchange open with no timer running.
    if (!received.empty())
        interpreter_.interpret(received);
}

void TransactionEngine::onTimerOut() {
    // The timer keeps running until the destination-IP set is answered.
    ports_.log.addLogLine("模块内部数据已被更改，请稍后重新搜索!");
}

} // namespace lumiq
