#pragma once
// A host firewall's input rules reduced to what matters here: would a
// module's datagram get in? That datagram is UDP from port 5000 to port
// 5000, from any address of the LAN, to the host's address or a broadcast,
// on an adapter other than loopback, and new to connection tracking
// (broadcast replies are never tracked as replies). The nftables, iptables
// and ufw readers fill this model; one judge walks it, each chain once, so
// that no ruleset, however its chains jump, takes long to judge.

#include <map>
#include <string>
#include <vector>

namespace lumiq::doctor {

// Whether a rule's conditions hold for that datagram. Maybe: they depend on
// what is not known beforehand (the module's address, the adapter, a rate).
enum class Match : unsigned char { No, Maybe, Yes };
Match AllOf(Match a, Match b);
Match Negated(Match match);

struct FilterRule {
    enum class Action : unsigned char { None, Accept, Drop, Jump, Goto, Return };
    Match match = Match::Yes;
    Action action = Action::None;
    std::string target; // Jump, Goto
    std::string text;   // how the rule is shown: "inet filter input handle 6", "-A INPUT -p udp ..."
};

struct FilterChain {
    std::vector<FilterRule> rules;
    bool dropPolicy = false; // base chains: the policy at their end
    std::string policyText;  // "inet filter input policy drop"
};

struct FilterRules {
    std::map<std::string, FilterChain> chains;
    std::vector<std::string> inputChains; // the base chains on the input hook, every one must let it in
};

struct FilterVerdict {
    enum class Outcome : unsigned char { Accepted, Uncertain, Dropped };
    Outcome outcome = Outcome::Accepted;
    std::string chain;    // the input chain that dropped it or was uncertain
    std::string decision; // the rule or policy that decided
    std::string doubt;    // the conditional rule that might decide otherwise
    std::string loop;     // Uncertain: a jump that loops or goes too deep, past which nothing is known
};

FilterVerdict JudgeModuleDatagram(const FilterRules& rules);

// Whether a port list as the firewalls write it holds `port`: items
// separated by commas, each a port or a range whose ends `range` separates
// ("5000", "4000:6000", "22,4000:5001"; firewalld "4990-5010"), an empty
// end leaving the range open on that side.
bool PortListHolds(const std::string& list, long port, char range = ':');

} // namespace lumiq::doctor
