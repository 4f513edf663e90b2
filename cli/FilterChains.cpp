#include "cli/FilterChains.h"

#include <cstdlib>
#include <sstream>

namespace lumiq::cli {
namespace {

// Rulesets can jump in a loop that the kernel refuses to load; a listing
// that shows one anyway must not loop here.
constexpr int kDeepestJump = 32;

struct Walk {
    enum class End : unsigned char { Accepted, Dropped, Returned };
    End end = End::Returned;
    std::string decision;
    // The first conditional rule passed on the way that might accept, or drop.
    std::string mightAccept;
    std::string mightDrop;

    void note(std::string& slot, const std::string& text) {
        if (slot.empty())
            slot = text;
    }
    void take(const Walk& inner) {
        note(mightAccept, inner.mightAccept);
        note(mightDrop, inner.mightDrop);
    }
};

Walk WalkChain(const FilterRules& rules, const std::string& name, int depth) {
    Walk walk;
    const auto chain = rules.chains.find(name);
    if (chain == rules.chains.end() || depth > kDeepestJump)
        return walk;
    for (const FilterRule& rule : chain->second.rules) {
        if (rule.match == Match::No)
            continue;
        const bool sure = rule.match == Match::Yes;
        switch (rule.action) {
        case FilterRule::Action::Accept:
        case FilterRule::Action::Drop: {
            const bool accept = rule.action == FilterRule::Action::Accept;
            if (!sure) {
                walk.note(accept ? walk.mightAccept : walk.mightDrop, rule.text);
                break;
            }
            walk.end = accept ? Walk::End::Accepted : Walk::End::Dropped;
            walk.decision = rule.text;
            return walk;
        }
        case FilterRule::Action::Return:
            if (!sure)
                break; // the rest of the chain may be skipped: rarely the point
            walk.decision = rule.text;
            return walk;
        case FilterRule::Action::Jump:
        case FilterRule::Action::Goto: {
            const Walk inner = WalkChain(rules, rule.target, depth + 1);
            walk.take(inner);
            if (!sure) {
                if (inner.end == Walk::End::Accepted)
                    walk.note(walk.mightAccept, inner.decision);
                if (inner.end == Walk::End::Dropped)
                    walk.note(walk.mightDrop, inner.decision);
                break;
            }
            // A goto does not come back: a return there ends this chain too.
            if (inner.end != Walk::End::Returned || rule.action == FilterRule::Action::Goto) {
                walk.end = inner.end;
                walk.decision = inner.decision;
                return walk;
            }
            break;
        }
        case FilterRule::Action::None:
            break;
        }
    }
    return walk;
}

} // namespace

Match AllOf(Match a, Match b) {
    if (a == Match::No || b == Match::No)
        return Match::No;
    return a == Match::Yes && b == Match::Yes ? Match::Yes : Match::Maybe;
}

Match Negated(Match match) {
    return match == Match::Yes ? Match::No : match == Match::No ? Match::Yes : Match::Maybe;
}

FilterVerdict JudgeModuleDatagram(const FilterRules& rules) {
    FilterVerdict verdict;
    for (const std::string& name : rules.inputChains) {
        const Walk walk = WalkChain(rules, name, 0);
        const FilterChain& chain = rules.chains.at(name);
        const bool dropped =
            walk.end == Walk::End::Returned ? chain.dropPolicy : walk.end == Walk::End::Dropped;
        const std::string decision = walk.end == Walk::End::Returned ? chain.policyText : walk.decision;
        const std::string& doubt = dropped ? walk.mightAccept : walk.mightDrop;
        // A sure drop in any input chain is final; a doubt is told unless one is.
        if (dropped && doubt.empty())
            return FilterVerdict{FilterVerdict::Outcome::Dropped, name, decision, {}};
        if (verdict.outcome != FilterVerdict::Outcome::Accepted)
            continue;
        if (!doubt.empty())
            verdict = FilterVerdict{FilterVerdict::Outcome::Uncertain, name, decision, doubt};
        else
            verdict.decision += (verdict.decision.empty() ? "" : ", ") + decision;
    }
    return verdict;
}

bool PortListHolds(const std::string& list, long port, char range) {
    std::istringstream items(list);
    for (std::string item; std::getline(items, item, ',');) {
        const std::size_t separator = item.find(range);
        const std::string low = item.substr(0, separator);
        const std::string high = separator == std::string::npos ? low : item.substr(separator + 1);
        const long from = low.empty() ? 0 : std::strtol(low.c_str(), nullptr, 10);
        const long to = high.empty() ? 65535 : std::strtol(high.c_str(), nullptr, 10);
        if (from <= port && port <= to)
            return true;
    }
    return false;
}

} // namespace lumiq::cli
