#include "fleet/Step.h"

#include "device/Frames.h"

namespace lumiq::fleet {

std::string Step::line() const {
    switch (kind) {
    case StepKind::Set:
        return SetCommandLine(SetOf(param).prefix, argument);
    case StepKind::Default:
        return SetCommandLine(kFactoryDefaultSet.prefix, "");
    default:
        return std::string(query().line);
    }
}

const WireQuery& Step::query() const {
    switch (kind) {
    case StepKind::LinkTest:
        return kLinkTestQuery;
    case StepKind::Default:
        return kFactoryDefaultQuery;
    default:
        return QueryOf(param);
    }
}

std::string Step::title() const {
    switch (kind) {
    case StepKind::None:
        return "plan";
    case StepKind::LinkTest:
        return "link test";
    case StepKind::Default:
        return "factory default";
    case StepKind::Set:
        // The UART set writes its four settings in one command.
        if (IsUartPart(param))
            return "set baud,databits,stopbits,parity";
        return "set " + std::string(KeyOf(param));
    case StepKind::Query:
        break;
    }
    return IsUartPart(param) ? "query uart" : "query " + std::string(KeyOf(param));
}

std::string Step::assignments() const {
    std::string text;
    for (const Value& value : writes)
        text += (text.empty() ? "" : " ") + std::string(KeyOf(value.param)) + "=" + value.text;
    return text;
}

Step LinkTestStep() {
    Step step;
    step.kind = StepKind::LinkTest;
    return step;
}

Step QueryStep(Param param) {
    Step step;
    step.kind = StepKind::Query;
    step.param = param;
    return step;
}

Step SetStep(Param param, std::string argument, std::string shown, std::vector<Value> writes) {
    SetOf(param); // throws for the version
    Step step;
    step.kind = StepKind::Set;
    step.param = param;
    step.argument = std::move(argument);
    step.shown = std::move(shown);
    step.writes = std::move(writes);
    return step;
}

Step DefaultStep() {
    Step step;
    step.kind = StepKind::Default;
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
