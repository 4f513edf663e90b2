#include "fleet/Step.h"

#include "protocol/Frames.h"

namespace lumiq::fleet {

std::string Step::line() const {
    if (kind == StepKind::Query) return query->line;
    return SetCommandLine(set->prefix, argument);
}

std::string Step::title() const {
    if (query == nullptr && set == nullptr) return "plan";
    if (kind == StepKind::Set) {
        if (set->button == SetButton::Default) return "factory default";
        return "set " + std::string(IsUartPart(param) ? std::string_view("uart") : KeyOf(param));
    }
    if (query->sendCode == kLinkTestSend) return "link test";
    if (query->value == ReplyValue::Uart) return "query uart";
    for (const Param candidate : kAllParams) {
        if (&QueryOf(candidate) == query) return "query " + std::string(KeyOf(candidate));
    }
    return "query";
}

Step QueryStep(const QueryCommand& query) {
    Step step;
    step.kind = StepKind::Query;
    step.query = &query;
    return step;
}

Step SetStep(Param param, std::string argument, std::string shown) {
    Step step;
    step.kind = StepKind::Set;
    step.set = &SetOf(param);
    step.param = param;
    step.argument = std::move(argument);
    step.shown = std::move(shown);
    return step;
}

Step DefaultStep() {
    Step step;
    step.kind = StepKind::Set;
    step.set = &SetCommandOf(SetButton::Default);
    return step;
}

std::string_view OutcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::Ok: return "ok";
        case Outcome::Refused: return "refused";
        case Outcome::WrongReply: return "wrong-reply";
        case Outcome::Timeout: return "timeout";
        case Outcome::LinkFailed: return "link-failed";
        case Outcome::Cancelled: return "cancelled";
        case Outcome::Unsendable: return "unsendable";
    }
    return "unknown";
}

}  // namespace lumiq::fleet
