#pragma once
// The window's commands over the device model's: for every query and set the
// PendingCommand codes the transaction engine keeps, what the log says when
// it is sent and how it ended, and where the read-all and write-all chains go
// next. What goes on the wire, and where a reply's value sits, comes from the
// parameter's row (device/Parameter.h); the panel field of a parameter is the
// parameter itself. The transaction engine, the reply interpreter and the
// panel's buttons all read these bindings; none of them spells a command.

#include <cstdint>

#include "device/Parameter.h"

namespace lumiq {

// What a right reply to a query leads to.
enum class AfterRightReply : unsigned char {
    NextUnlessSingle, // the next query of the read-all chain, unless SingleQuery
    AlwaysNext,       // the link test moves on whatever SingleQuery says
    StartReadAll,     // the factory default is confirmed: read everything back
    EndOfChain,       // the firmware version ends the read-all chain
};

// A window command is about a parameter, or is one of the two that are no
// parameter's.
enum class Subject : unsigned char { Param, LinkTest, FactoryDefault };

// A command sent by the sender tick of the transaction engine. Its reply is
// awaited under sendCode + 1.
struct QueryCommand {
    std::uint16_t sendCode;
    Subject subject;
    Param param;         // what it reads, and where the value is shown (Baud: the four UART fields)
    const char* caption; // logged when it is sent
    AfterRightReply after;
    std::uint16_t nextCode; // next send code of the read-all chain
    const char* successLine;
    const char* failureLine;

    // Its line, the keyword a right reply holds anywhere, where the value sits.
    const WireQuery& wire() const;
    std::uint16_t awaitCode() const { return static_cast<std::uint16_t>(sendCode + 1); }
};

// A command sent by a set button. Its reply is awaited under awaitCode.
struct SetCommand {
    Subject subject;
    Param param; // what it writes, and the field its argument comes from (Baud: the four UART fields)
    std::uint16_t awaitCode;
    const char* caption; // logged when it is sent
    // The factory default's reply is handled as a query reply (resent through
    // code 8), so these two are null for it.
    const char* successLine;
    const char* failureLine;
    bool chained; // the write-all chain goes on with `next` after "OK"
    Param next;

    // Its prefix and how the argument is made.
    const WireSet& wire() const;
};

// Lookups; null when the code belongs to no such command.
const QueryCommand* QueryBySendCode(std::uint16_t code);
const QueryCommand* QueryByAwaitCode(std::uint16_t code);
const SetCommand* SetByAwaitCode(std::uint16_t code);

// The set of a writable parameter (the UART parts share one), and the factory default.
const SetCommand& SetCommandOf(Param param);
const SetCommand& FactoryDefaultCommand();
// The send code the query of a parameter (the version too) asks the engine for.
std::uint16_t QuerySendCodeOf(Param param);

// Codes with a meaning of their own.
inline constexpr std::uint16_t kLinkTestSend = 42;
inline constexpr std::uint16_t kDefaultResend = 8;
inline constexpr std::uint16_t kDefaultAwait = 9;
inline constexpr std::uint16_t kDipSetAwait = 25;
inline constexpr std::uint16_t kUartSetAwait = 37;
inline constexpr std::uint16_t kMacSetAwait = 41;

} // namespace lumiq
