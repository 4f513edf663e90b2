#include "fuzz/FirewallJudging.h"

#include <string>

#include "doctor/DoctorFinding.h"
#include "fuzz/FuzzSupport.h"

namespace lumiq::fuzz {
namespace {

void RequireShowable(const std::string& text) {
    const std::string shown = doctor::ShownText(text);
    Require(IsValidUtf8(shown), "a shown text is UTF-8");
    for (const char c : shown)
        Require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F,
                "a shown text holds no control character");
}

} // namespace

void JudgeAndCheck(const doctor::FilterRules& rules) {
    using Outcome = doctor::FilterVerdict::Outcome;
    const doctor::FilterVerdict verdict = doctor::JudgeModuleDatagram(rules);
    Require(verdict.outcome != Outcome::Dropped || !verdict.decision.empty(), "a drop names what dropped");
    Require(verdict.outcome != Outcome::Uncertain || !verdict.doubt.empty(), "a doubt names its rule");
    Require(verdict.loop.empty() || verdict.outcome == Outcome::Uncertain, "a loop leaves the verdict open");
    for (const std::string* text : {&verdict.chain, &verdict.decision, &verdict.doubt, &verdict.loop})
        RequireShowable(*text);
}

} // namespace lumiq::fuzz
