#pragma once
// The module's AT command set as data: for every command its PendingCommand
// codes, the bytes it sends, where the value of its reply sits and what the
// log says about it. The transaction engine, the reply interpreter and the
// panel's buttons all read this table; none of them spells a command itself.

#include <cstddef>
#include <cstdint>

#include "device/Parameter.h"
#include "presenter/ControllerPorts.h"
#include "presenter/PanelButtons.h"

namespace lumiq {

// What a right reply to a query leads to.
enum class AfterRightReply : unsigned char {
    NextUnlessSingle,  // the next query of the read-all chain, unless SingleQuery
    AlwaysNext,        // the link test moves on whatever SingleQuery says
    StartReadAll,      // the factory default is confirmed: read everything back
    EndOfChain,        // the firmware version ends the read-all chain
};

// A command sent by the sender tick of the transaction engine. Its reply is
// awaited under sendCode + 1.
struct QueryCommand {
    std::uint16_t sendCode;
    const char* line;     // the bare command, "\r\n" included
    const char* caption;  // logged when it is sent
    const char* keyword;  // a right reply contains it anywhere
    std::size_t valueOffset;  // where the value starts, from the payload's first byte
    ReplyValue value;
    PanelField field;  // where a Text or Digit value is shown
    AfterRightReply after;
    std::uint16_t nextCode;  // next send code of the read-all chain
    const char* successLine;
    const char* failureLine;

    std::uint16_t awaitCode() const { return static_cast<std::uint16_t>(sendCode + 1); }
};

// A command sent by a set button. Its reply is awaited under awaitCode.
struct SetCommand {
    SetButton button;
    std::uint16_t awaitCode;
    const char* prefix;  // "AT+IP=": the argument and "\r\n" follow
    SetArgument argument;
    PanelField field;     // source of a Text or Digit argument
    const char* caption;  // logged when it is sent
    // The factory default's reply is handled as a query reply (resent through
    // code 8), so these two are null for it.
    const char* successLine;
    const char* failureLine;
    bool chained;     // the write-all chain goes on with `next` after "OK"
    SetButton next;
};

// Lookups; null when the code belongs to no such command.
const QueryCommand* QueryBySendCode(std::uint16_t code);
const QueryCommand* QueryByAwaitCode(std::uint16_t code);
const SetCommand* SetByAwaitCode(std::uint16_t code);

const SetCommand& SetCommandOf(SetButton button);
// The send code a query button (or 读固件版本号) asks the engine for.
std::uint16_t QuerySendCodeOf(QueryButton button);

// Codes with a meaning of their own.
inline constexpr std::uint16_t kLinkTestSend = 42;
inline constexpr std::uint16_t kDefaultResend = 8;
inline constexpr std::uint16_t kDefaultAwait = 9;
inline constexpr std::uint16_t kDipSetAwait = 25;
inline constexpr std::uint16_t kUartSetAwait = 37;
inline constexpr std::uint16_t kMacSetAwait = 41;

}  // namespace lumiq
