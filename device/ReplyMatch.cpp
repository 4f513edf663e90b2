#include "device/ReplyMatch.h"

#include "base/AsciiText.h"
#include "device/Exchange.h"

namespace lumiq {
namespace {

// The reply's first line, without the line end and surrounding blanks.
std::string_view FirstLine(std::string_view payload) {
    payload = Trimmed(payload, "\r\n ");
    return Trimmed(payload.substr(0, payload.find_first_of("\r\n")), " ");
}

// "+KEYWORD=..." for the keyword of the given query.
bool NamesKeyword(std::string_view payload, std::string_view keyword) {
    return payload.size() > keyword.size() && payload.starts_with(keyword) && payload[keyword.size()] == '=';
}

// A reply to some query of the module's command set.
bool NamesAnyKeyword(std::string_view payload) {
    for (const ParamRow& row : kParamRows) {
        if (NamesKeyword(payload, row.query.keyword))
            return true;
    }
    return false;
}

} // namespace

ReplyMatch MatchQueryReply(const WireQuery& query, std::string_view payload) {
    if (AnsweredByOk(query)) {
        const ReplyMatch match = MatchSetReply(payload);
        return match == ReplyMatch::Refusal ? ReplyMatch::Wrong : match;
    }
    if (NamesKeyword(payload, query.keyword))
        return ReplyMatch::Answer;
    if (FirstLine(payload) == kOkReply || NamesAnyKeyword(payload))
        return ReplyMatch::Other;
    return ReplyMatch::Wrong;
}

ReplyMatch MatchSetReply(std::string_view payload) {
    const std::string_view line = FirstLine(payload);
    if (line == kOkReply)
        return ReplyMatch::Answer;
    if (line == kErrorReply)
        return ReplyMatch::Refusal;
    if (NamesAnyKeyword(payload))
        return ReplyMatch::Other;
    return ReplyMatch::Wrong;
}

} // namespace lumiq
