#include "fleet/Step.h"

#include "protocol/Frames.h"

namespace lumiq::fleet {

std::string Step::line() const {
    if (kind == StepKind::Query)
        return query->line;
    return SetCommandLine(set->prefix, argument);
}

std::string Step::title() const {
    if (query == nullptr && set == nullptr)
        return "plan";
    if (kind == StepKind::Set) {
        if (set->button == SetButton::Default)
            return "factory default";
        // The UART set writes its four settings in one command.
        if (IsUartPart(param))
            return "set baud,databits,stopbits,parity";
        return "set " + std::string(KeyOf(param));
    }
    if (query->sendCode == kLinkTestSend)
        return "link test";
    if (query->value == ReplyValue::Uart)
        return "query uart";
    for (const Param candidate : kAllParams) {
        if (&QueryOf(candidate) == query)
            return "query " + std::string(KeyOf(candidate));
    }
    return "query";
}

Step QueryStep(const QueryCommand& query) {
    Step step;
    step.kind = StepKind::Query;
    step.query = &query;
    return step;
}

std::string Step::assignments() const {
    std::string text;
    for (const Value& value : writes)
        text += (text.empty() ? "" : " ") + std::string(KeyOf(value.param)) + "=" + value.text;
    return text;
}

bool Step::answeredByOk() const {
    return kind == StepKind::Set || query->value == ReplyValue::None;
}

Step SetStep(Param param, std::string argument, std::string shown, std::vector<Value> writes) {
    Step step;
    step.kind = StepKind::Set;
    step.set = &SetOf(param);
    step.param = param;
    step.argument = std::move(argument);
    step.shown = std::move(shown);
    step.writes = std::move(writes);
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
    case Outcome::Ok:
        return "ok";
    case Outcome::Refused:
        return "refused";
    case Outcome::WrongReply:
        return "wrong-reply";
    case Outcome::Timeout:
        return "timeout";
    case Outcome::LinkFailed:
        return "link-failed";
    case Outcome::Unconfirmed:
        return "unconfirmed";
    case Outcome::SecondSender:
        return "second-sender";
    case Outcome::Cancelled:
        return "cancelled";
    case Outcome::Unsendable:
        return "unsendable";
    }
    return "unknown";
}

} // namespace lumiq::fleet
