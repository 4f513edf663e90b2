#include "doctor/IptablesRules.h"

#include <set>
#include <sstream>
#include <vector>

#include "device/Frames.h"

namespace lumiq::doctor {
namespace {

// Blank-separated words, a "quoted comment" being one.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, inWord = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && quoted && i + 1 < line.size()) {
            word += line[++i];
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

bool ListHolds(const std::string& list, const std::string& wanted) {
    std::istringstream items(list);
    std::string item;
    while (std::getline(items, item, ','))
        if (item == wanted)
            return true;
    return false;
}

Match OfTest(bool holds) {
    return holds ? Match::Yes : Match::No;
}

// One "-A CHAIN ..." line; `chains` holds every chain name of the listing.
FilterRule RuleOf(const std::vector<std::string>& words, const std::string& text,
                  const std::set<std::string>& chains) {
    FilterRule rule;
    rule.text = text;
    bool negate = false;
    const auto add = [&](Match match) {
        rule.match = AllOf(rule.match, negate ? Negated(match) : match);
        negate = false;
    };
    for (std::size_t i = 2; i < words.size(); ++i) {
        const std::string& word = words[i];
        const bool hasValue = i + 1 < words.size();
        const std::string value = hasValue ? words[i + 1] : std::string();
        if (word == "!") {
            negate = true;
            continue;
        }
        if ((word == "-j" || word == "-g") && hasValue) {
            ++i;
            if (value == "ACCEPT") {
                rule.action = FilterRule::Action::Accept;
            } else if (value == "DROP" || value == "REJECT") {
                rule.action = FilterRule::Action::Drop;
            } else if (value == "RETURN") {
                rule.action = FilterRule::Action::Return;
            } else if (value == "NFQUEUE" || value == "QUEUE") {
                rule.action = FilterRule::Action::Drop;
                rule.match = AllOf(rule.match, Match::Maybe);
            } else if (chains.count(value) != 0) {
                rule.action = word == "-j" ? FilterRule::Action::Jump : FilterRule::Action::Goto;
                rule.target = value;
            }
            break; // what follows are the target's own options (--reject-with, --log-prefix)
        }
        if (word == "-m" && hasValue) {
            ++i;
            if (value == "limit" || value == "hashlimit" || value == "recent" || value == "statistic")
                add(Match::Maybe);
            continue;
        }
        if (!hasValue || word.rfind('-', 0) != 0)
            continue;
        if (word == "-p" || word == "--protocol") {
            add(OfTest(value == "udp" || value == "17" || value == "all" || value == "0"));
        } else if (word == "--dport" || word == "--sport" || word == "--destination-port" ||
                   word == "--source-port" || word == "--dports" || word == "--sports" || word == "--ports") {
            add(OfTest(PortListHolds(value, kModulePort)));
        } else if (word == "--ctstate" || word == "--state") {
            add(OfTest(ListHolds(value, "NEW")));
        } else if (word == "-i" || word == "--in-interface") {
            add(value == "lo" ? Match::No : Match::Maybe);
        } else if (word == "--comment") {
            negate = false;
        } else {
            add(Match::Maybe); // addresses, address types, marks, ...
        }
        ++i;
    }
    return rule;
}

} // namespace

FilterRules ReadIptablesRules(const std::string& listing) {
    FilterRules rules;
    std::vector<std::pair<std::vector<std::string>, std::string>> lines;
    std::set<std::string> chains;
    std::istringstream text(listing);
    std::string line;
    while (std::getline(text, line)) {
        std::vector<std::string> words = Words(line);
        if (words.size() < 2)
            continue;
        if (words[0] == "-N" || words[0] == "-P")
            chains.insert(words[1]);
        lines.emplace_back(std::move(words), line);
    }
    for (const auto& [words, original] : lines) {
        FilterChain& chain = rules.chains[words[1]];
        if (words[0] == "-P" && words.size() >= 3) {
            chain.dropPolicy = words[2] == "DROP";
            chain.policyText = "iptables -P " + words[1] + " " + words[2];
        } else if (words[0] == "-A") {
            chain.rules.push_back(RuleOf(words, original, chains));
        }
    }
    if (rules.chains.count("INPUT") != 0)
        rules.inputChains.push_back("INPUT");
    return rules;
}

} // namespace lumiq::doctor
