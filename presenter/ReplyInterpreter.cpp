#include "presenter/ReplyInterpreter.h"

#include <string>

#include "base/GbkText.h"
#include "device/ReplyFields.h"
#include "device/ReplyMatch.h"
#include "presenter/EngineTiming.h"
#include "presenter/OperatorNotice.h"
#include "presenter/SerialResetup.h"
#include "state/ModuleRegistry.h"

namespace lumiq {
ReplyInterpreter::ReplyInterpreter(ToolState& state, const ControllerPorts& ports, PanelCommands& panel)
    : state_(state), ports_(ports), panel_(panel) {}

void ReplyInterpreter::interpret(std::string_view received) {
    const std::string_view payload = UpToZero(received);

    // On UDP the next send (or resend) follows a reply after 30 ms.
    EngineTimer& timerRead = ports_.timerRead;
    if (state_.LinkMode == LinkMode::Udp && timerRead.enabled()) {
        timerRead.setEnabled(false);
        timerRead.setInterval(kReplyToNextSendMs);
        timerRead.setEnabled(true);
    }

    if (const QueryCommand* query = QueryByAwaitCode(state_.PendingCommand)) {
        if (query->wire().value == ReplyValue::Version) {
            onVersionReply(*query, payload);
        } else {
            onQueryReply(*query, payload);
        }
    } else if (const SetCommand* set = SetByAwaitCode(state_.PendingCommand)) {
        onSetReply(*set, payload);
    }
    // Any other code (the open search, start-up, a send code) awaits no reply.
}

void ReplyInterpreter::onQueryReply(const QueryCommand& query, std::string_view payload) {
    // On the serial link the sender waits for the reply to re-arm it.
    if (state_.LinkMode == LinkMode::Serial)
        ports_.timerRead.setEnabled(true);
    if (!HoldsAnswer(payload, query.wire().keyword)) {
        onWrongQueryReply(query);
        return;
    }
    showValue(query, payload);
    switch (query.after) {
    case AfterRightReply::AlwaysNext:
        state_.PendingCommand = query.nextCode;
        break;
    case AfterRightReply::StartReadAll:
        // Still at code 9, so the read-back starts after 2000 ms.
        panel_.readAll();
        break;
    case AfterRightReply::NextUnlessSingle:
        if (state_.SingleQuery != 0) {
            state_.SingleQuery = 0;
        } else {
            state_.PendingCommand = query.nextCode;
        }
        break;
    case AfterRightReply::EndOfChain:
        break;
    }
    retryCount_ = 0;
    logResult(query.successLine);
}

void ReplyInterpreter::onWrongQueryReply(const QueryCommand& query) {
    if (retryCount_ < kMaxResends) {
        ++retryCount_;
        state_.PendingCommand = query.sendCode;
        return;
    }
    retryCount_ = 0;
    ports_.timerRead.setEnabled(false);
    logResult(query.failureLine);
    ShowNotice(ports_.dialogs, "连续3次应答错误");
}

void ReplyInterpreter::onVersionReply(const QueryCommand& query, std::string_view payload) {
    if (state_.LinkMode == LinkMode::Serial)
        ports_.timerRead.setEnabled(true);
    if (!HoldsAnswer(payload, query.wire().keyword)) {
        // Never resent.
        ports_.timerRead.setEnabled(false);
        logResult(query.failureLine);
        return;
    }
    const std::string version = GbkToUtf8(TextValueAt(payload, query.wire().valueOffset));
    ports_.panel.setText(Param::Version, version);
    ports_.log.addLogLine(query.successLine);
    ports_.log.addLogLine("版本号为： " + version);
    ports_.log.appendPlain("");
    // The version ends the read-all chain.
    state_.SingleQuery = 0;
    ports_.timerRead.setEnabled(false);
}

void ReplyInterpreter::showValue(const QueryCommand& query, std::string_view payload) {
    PanelView& panel = ports_.panel;
    switch (query.wire().value) {
    case ReplyValue::None:
        break;
    case ReplyValue::Text:
    case ReplyValue::Version:
        panel.setText(query.param, GbkToUtf8(TextValueAt(payload, query.wire().valueOffset)));
        break;
    case ReplyValue::Digit:
        panel.setItemIndex(query.param, DigitValueAt(payload, query.wire().valueOffset));
        break;
    case ReplyValue::Uart: {
        const UartValues uart = UartValuesOf(payload);
        panel.setText(Param::Baud, GbkToUtf8(uart.baud));
        panel.setText(Param::DataBits, std::to_string(uart.dataBits));
        panel.setItemIndex(Param::StopBits, uart.stopBits);
        panel.setItemIndex(Param::Parity, uart.parity);
        break;
    }
    }
}

void ReplyInterpreter::onSetReply(const SetCommand& set, std::string_view payload) {
    // The destination-IP watch ends with any reply, right or wrong.
    if (set.awaitCode == kDipSetAwait)
        ports_.timerOut.setEnabled(false);
    if (!HoldsAnswer(payload, kOkReply)) {
        // Set commands are never resent; a write-all chain stops here.
        state_.OneKeyWrite = 0;
        ports_.timerRead.setEnabled(false);
        logResult(set.failureLine);
        return;
    }
    logResult(set.successLine);
    ports_.timerRead.setEnabled(false);
    if (set.awaitCode == kUartSetAwait && state_.LinkMode == LinkMode::Serial)
        ResetupSerialPort(ports_);
    if (set.awaitCode == kMacSetAwait) {
        state_.OneKeyWrite = 0;
        takeNewMacIntoRegistry();
    }
    if (state_.OneKeyWrite != 0 && set.chained) {
        ports_.pause.pauseMs(kSetPaceMs);
        panel_.set(SetCommandOf(set.next));
    }
}

void ReplyInterpreter::takeNewMacIntoRegistry() {
    // Later frames to this module must carry the MAC it now answers to.
    ReplaceSelectedMac(state_, Utf8ToGbk(ports_.panel.text(Param::Mac)));
    const int selected = state_.SelectedModule;
    if (selected >= 0 && selected < state_.ModuleCount) {
        ports_.list.replaceLine(selected, EntryText(state_, selected));
    }
}

void ReplyInterpreter::logResult(const char* line) {
    ports_.log.addLogLine(line);
    ports_.log.appendPlain("");
}

} // namespace lumiq
