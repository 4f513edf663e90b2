#include "doctor/FilterChains.h"

#include <cstdlib>
#include <set>
#include <sstream>

namespace lumiq::doctor {
namespace {

// The kernel loads no loop of jumps (nftables not even one 16 chains deep);
// a listing that shows a loop anyway is judged up to there, and none is
// followed deeper than this.
constexpr int kDeepestJump = 64;

struct Walk {
    enum class End : unsigned char { Accepted, Dropped, Returned };
    End end = End::Returned;
    std::string decision;
    // The first conditional rule passed on the way that might accept, or drop.
    std::string mightAccept;
    std::string mightDrop;
    // The first jump that would loop or go too deep: past it nothing is known.
    std::string loop;

    void note(std::string& slot, const std::string& text) {
        if (slot.empty())
            slot = text;
    }
    void take(const Walk& inner) {
        note(mightAccept, inner.mightAccept);
        note(mightDrop, inner.mightDrop);
        note(loop, inner.loop);
    }
};

// What a chain does with the datagram depends on that chain alone: the
// datagram is fixed and each rule's match was settled when it was read. So
// every chain is walked once and its walk kept, and however the chains jump
// into each other the judgement takes one pass over the rules.
class ChainWalker {
public:
    explicit ChainWalker(const FilterRules& rules) : rules_(rules) {}

    Walk walk(const std::string& name) { return walk(name, 0); }

private:
    Walk walk(const std::string& name, int depth) {
        if (const auto known = walked_.find(name); known != walked_.end())
            return known->second;
        walking_.insert(name);
        Walk walk = walkRules(name, depth);
        walking_.erase(name);
        return walked_.emplace(name, std::move(walk)).first->second;
    }

    // Where a jump leads; a jump back into a chain still being walked, or
    // one too deep, might end anywhere.
    Walk jump(const FilterRule& rule, int depth) {
        std::string loop;
        if (walking_.count(rule.target) != 0)
            loop = rule.text + " jumps back into " + rule.target + ", a loop";
        else if (depth >= kDeepestJump)
            loop = rule.text + " jumps deeper than " + std::to_string(kDeepestJump) + " chains";
        if (loop.empty())
            return walk(rule.target, depth + 1);
        Walk unknown;
        unknown.mightAccept = unknown.mightDrop = unknown.loop = loop;
        return unknown;
    }

    Walk walkRules(const std::string& name, int depth) {
        Walk walk;
        const auto chain = rules_.chains.find(name);
        if (chain == rules_.chains.end())
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
                const Walk inner = jump(rule, depth);
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

    const FilterRules& rules_;
    std::map<std::string, Walk> walked_;
    std::set<std::string> walking_;
};

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
    ChainWalker walker(rules);
    for (const std::string& name : rules.inputChains) {
        const Walk walk = walker.walk(name);
        const FilterChain& chain = rules.chains.at(name);
        const bool dropped =
            walk.end == Walk::End::Returned ? chain.dropPolicy : walk.end == Walk::End::Dropped;
        const std::string decision = walk.end == Walk::End::Returned ? chain.policyText : walk.decision;
        const std::string& doubt = dropped ? walk.mightAccept : walk.mightDrop;
        // A sure drop in any input chain is final; a doubt is told unless one is.
        if (dropped && doubt.empty())
            return FilterVerdict{FilterVerdict::Outcome::Dropped, name, decision, {}, {}};
        if (verdict.outcome != FilterVerdict::Outcome::Accepted)
            continue;
        if (!doubt.empty())
            verdict = FilterVerdict{FilterVerdict::Outcome::Uncertain, name, decision, doubt, walk.loop};
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

} // namespace lumiq::doctor
