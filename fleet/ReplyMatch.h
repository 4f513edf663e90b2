#pragma once
// Which question a module's reply answers. A set is answered by a bare "OK"
// or "ERROR", a query by its own keyword ("+PORT=7000"). Only the reply that
// answers the exchange in progress counts for it: a late answer to an
// earlier question (another keyword, or a bare "OK" while a query waits) is
// recognised as such and passed over, never taken as a wrong answer or, worse,
// as the right one.

#include <string_view>

#include "protocol/CommandTable.h"

namespace lumiq::fleet {

enum class ReplyMatch : unsigned char {
    Answer,  // the awaited reply: "OK" to a set, the keyword to a query
    Refusal, // "ERROR" to a set
    Other,   // a well-formed answer to another question
    Wrong,   // anything else: "ERROR" to a query, a garbled or truncated reply
};

// `payload` is the reply after its header, up to its first zero byte.
ReplyMatch MatchQueryReply(const QueryCommand& query, std::string_view payload);
ReplyMatch MatchSetReply(std::string_view payload);

// A query answered by a bare "OK" (the link test, the factory default's resend).
bool AnsweredByOk(const QueryCommand& query);

} // namespace lumiq::fleet
