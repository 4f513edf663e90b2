#pragma once
// Every reply, from either link, ends here. The awaited reply is chosen by
// PendingCommand; the payload is checked for its keyword, the value shown,
// the result logged, and the transaction moved on: the next query of the
// read-all chain, the next set button of the write-all chain, a resend, or
// the end. PendingCommand never returns to an idle code, so a late reply is
// interpreted against the last code once more.

#include <cstdint>
#include <string_view>

#include "presenter/CommandBindings.h"
#include "presenter/ControllerPorts.h"
#include "presenter/PanelCommands.h"
#include "state/ToolState.h"

namespace lumiq {

class ReplyInterpreter {
public:
    ReplyInterpreter(ToolState& state, const ControllerPorts& ports, PanelCommands& panel);

    // The payload as received (GBK); it ends at its first zero byte.
    void interpret(std::string_view received);

    // Wrong replies in a row to the running query (0 to 3).
    std::uint8_t retryCount() const { return retryCount_; }

private:
    void onQueryReply(const QueryCommand& query, std::string_view payload);
    void onWrongQueryReply(const QueryCommand& query);
    void onVersionReply(const QueryCommand& query, std::string_view payload);
    void onSetReply(const SetCommand& set, std::string_view payload);
    void showValue(const QueryCommand& query, std::string_view payload);
    void takeNewMacIntoRegistry();
    void logResult(const char* line);

    ToolState& state_;
    ControllerPorts ports_;
    PanelCommands& panel_;
    std::uint8_t retryCount_ = 0;
};

} // namespace lumiq
