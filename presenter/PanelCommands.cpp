#include "presenter/PanelCommands.h"

#include "base/GbkText.h"
#include "device/Frames.h"
#include "presenter/EngineTiming.h"
#include "presenter/OperatorNotice.h"
#include "state/Errors.h"

namespace lumiq {
namespace {

// The first character of a UTF-8 text, all of its bytes, so that a typed
// multi-byte character is never sent in halves.
std::string FirstCharacter(const std::string& utf8) {
    const auto lead = static_cast<unsigned char>(utf8.front());
    std::size_t length = 1;
    if (lead >= 0xF0) {
        length = 4;
    } else if (lead >= 0xE0) {
        length = 3;
    } else if (lead >= 0xC0) {
        length = 2;
    }
    return utf8.substr(0, length);
}

} // namespace

PanelCommands::PanelCommands(ToolState& state, const ControllerPorts& ports, CommandLink& link)
    : state_(state), ports_(ports), link_(link) {}

bool PanelCommands::selectionAllowed() {
    if (state_.SelectedModule >= 0 || state_.LinkMode == LinkMode::Serial)
        return true;
    ShowStop(ports_.dialogs, "请选择IP！");
    return false;
}

std::string PanelCommands::requiredText(Param field) const {
    const std::string text = ports_.panel.text(field);
    if (text.empty())
        throw RangeCheckError();
    return text;
}

std::string PanelCommands::argumentOf(const SetCommand& command) const {
    switch (command.wire().argument) {
    case SetArgument::None:
        return {};
    case SetArgument::Text:
        return Utf8ToGbk(requiredText(command.param));
    case SetArgument::Digit:
        return std::string(1, DigitArgument(ports_.panel.itemIndex(command.param)));
    case SetArgument::Uart: {
        const std::string baud = requiredText(Param::Baud);
        const std::string dataBits = requiredText(Param::DataBits);
        return UartArgument(Utf8ToGbk(baud), Utf8ToGbk(FirstCharacter(dataBits)),
                            ports_.panel.itemIndex(Param::StopBits), ports_.panel.itemIndex(Param::Parity));
    }
    }
    return {};
}

void PanelCommands::set(const SetCommand& command) {
    const bool ofParam = command.subject == Subject::Param;
    if (ofParam && command.param == Param::Name &&
        GbkByteCount(ports_.panel.text(Param::Name)) > kMaxNameBytes) {
        ShowStop(ports_.dialogs, "设备名称不能超过15个字节");
        return;
    }
    if (!selectionAllowed())
        return;
    // Every set command, the factory default included, addresses the selected
    // entry as it is now. After a MAC change the entry holds the new MAC; an
    // older copy would name a MAC the module no longer answers to.
    link_.targetSelectedModule();
    const std::string line = SetCommandLine(command.wire().prefix, argumentOf(command));

    state_.PendingCommand = command.awaitCode;
    ports_.log.addLogLine(command.caption);
    link_.send(line);
    if (state_.LinkMode == LinkMode::Serial) {
        if (ofParam && command.param == Param::Mac)
            ports_.timerPortRes.setInterval(kMacSetReceiveWindowMs);
        ports_.timerPortRes.setEnabled(true);
    }
    if (ofParam && command.param == Param::Dip)
        ports_.timerOut.setEnabled(true);
}

void PanelCommands::query(Param which) {
    if (!selectionAllowed())
        return;
    ports_.timerRead.setInterval(kQueryButtonDelayMs);
    ports_.timerRead.setEnabled(true);
    state_.PendingCommand = QuerySendCodeOf(which);
    state_.SingleQuery = 1;
}

void PanelCommands::readAll() {
    if (!selectionAllowed())
        return;
    const bool afterDefault = state_.PendingCommand == kDefaultAwait;
    ports_.timerRead.setInterval(afterDefault ? kReadBackAfterDefaultMs : kReplyToNextSendMs);
    state_.PendingCommand = kLinkTestSend;
    // A single query that never got its right reply leaves SingleQuery set;
    // the chain must not stop after the work mode because of it.
    state_.SingleQuery = 0;
    ports_.timerRead.setEnabled(true);
}

void PanelCommands::oneKeyWrite() {
    if (!selectionAllowed())
        return;
    state_.OneKeyWrite = 1;
    set(SetCommandOf(Param::Mode));
}

} // namespace lumiq
