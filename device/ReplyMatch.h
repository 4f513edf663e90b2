#pragma once
// Which question a module's reply answers. A set is answered by a bare "OK"
// or "ERROR", a query by its own keyword ("+PORT=7000"). Only the reply that
// answers the exchange in progress counts for it: a late answer to an
// earlier question (another keyword, or a bare "OK" while a query waits) is
// recognised as such and passed over, never taken as a wrong answer or, worse,
// as the right one.
//
// The window reads replies as the first tools did: a reply is right when it
// holds the keyword (or "OK") anywhere (HoldsAnswer).

#include <string_view>

#include "device/Parameter.h"

namespace lumiq {

enum class ReplyMatch : unsigned char {
    Answer,  // the awaited reply: "OK" to a set, the keyword to a query
    Refusal, // "ERROR" to a set
    Other,   // a well-formed answer to another question
    Wrong,   // anything else: "ERROR" to a query, a garbled or truncated reply
};

// `payload` is the reply after its header, up to its first zero byte.
ReplyMatch MatchQueryReply(const WireQuery& query, std::string_view payload);
ReplyMatch MatchSetReply(std::string_view payload);

// A query answered by a bare "OK" (the link test, the factory default's resend).
constexpr bool AnsweredByOk(const WireQuery& query) {
    return query.value == ReplyValue::None;
}

// The keyword ("OK" for a set) anywhere in the payload.
constexpr bool HoldsAnswer(std::string_view payload, std::string_view keyword) {
    return payload.find(keyword) != std::string_view::npos;
}

} // namespace lumiq
