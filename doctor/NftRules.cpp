#include "doctor/NftRules.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

#include "device/Frames.h"

namespace lumiq::doctor {
namespace {

using json = nlohmann::json;

// What the module's datagram is, under the names nftables gives.
struct Known {
    std::vector<json> values; // any of them names the datagram's own
};

const Known kPort{{kModulePort}};
const Known kUdp{{"udp", 17}};
const Known kIpv4{{"ipv4", 2}};
const Known kIp{{"ip", 0x0800}};
const Known kNewConnection{{"new"}};

class RulesetReader {
public:
    explicit RulesetReader(const json& items) : items_(items) {
        for (const json& item : items_)
            if (item.contains("set"))
                sets_[Key(item["set"], "name")] = item["set"].value("elem", json::array());
    }

    FilterRules read() {
        FilterRules rules;
        std::vector<std::pair<int, std::string>> hooked;
        for (const json& item : items_) {
            if (item.contains("chain"))
                addChain(item["chain"], rules, hooked);
            if (item.contains("rule"))
                addRule(item["rule"], rules);
        }
        std::stable_sort(hooked.begin(), hooked.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [priority, name] : hooked)
            rules.inputChains.push_back(name);
        return rules;
    }

private:
    static std::string Key(const json& object, const char* nameKey) {
        return object.value("family", "") + " " + object.value("table", "") + " " + object.value(nameKey, "");
    }

    static void addChain(const json& chain, FilterRules& rules,
                         std::vector<std::pair<int, std::string>>& hooked) {
        const std::string name = Key(chain, "name");
        FilterChain& entry = rules.chains[name];
        const std::string family = chain.value("family", "");
        if (chain.value("hook", "") != "input" || (family != "ip" && family != "inet"))
            return;
        entry.dropPolicy = chain.value("policy", "accept") == "drop";
        entry.policyText = name + " policy " + chain.value("policy", "accept");
        const json& priority = chain.contains("prio") ? chain["prio"] : json(0);
        hooked.emplace_back(priority.is_number_integer() ? priority.get<int>() : 0, name);
    }

    void addRule(const json& rule, FilterRules& rules) const {
        FilterRule entry;
        const std::string family = rule.value("family", "");
        const std::string table = rule.value("table", "");
        const json& handle = rule.contains("handle") ? rule["handle"] : json(0);
        entry.text = Key(rule, "chain") + " handle " + (handle.is_number_integer() ? handle.dump() : "?");
        for (const json& statement : rule.value("expr", json::array())) {
            if (!statement.is_object() || statement.empty())
                continue;
            const std::string kind = statement.begin().key();
            const json& body = statement.begin().value();
            if (kind == "match") {
                entry.match = AllOf(entry.match, matchOf(body, family, table));
            } else if (kind == "accept") {
                entry.action = FilterRule::Action::Accept;
            } else if (kind == "drop" || kind == "reject") {
                entry.action = FilterRule::Action::Drop;
            } else if (kind == "queue") {
                // A program decides: it may drop.
                entry.action = FilterRule::Action::Drop;
                entry.match = AllOf(entry.match, Match::Maybe);
            } else if (kind == "jump" || kind == "goto") {
                entry.action = kind == "jump" ? FilterRule::Action::Jump : FilterRule::Action::Goto;
                entry.target = family + " " + table + " " + body.value("target", "");
            } else if (kind == "return") {
                entry.action = FilterRule::Action::Return;
            } else if (kind == "limit" || kind == "xt" || kind == "quota") {
                entry.match = AllOf(entry.match, Match::Maybe);
            }
            if (entry.action != FilterRule::Action::None)
                break;
        }
        rules.chains[Key(rule, "chain")].rules.push_back(std::move(entry));
    }

    // Which of the datagram's properties the left side names; null when none
    // that is known.
    static const Known* Property(const json& left, Match& otherwise) {
        otherwise = Match::Maybe;
        if (!left.is_object() || left.empty())
            return nullptr;
        const std::string kind = left.begin().key();
        const json& body = left.begin().value();
        if (kind == "payload") {
            const std::string protocol = body.value("protocol", "");
            const std::string field = body.value("field", "");
            if (protocol == "udp" || protocol == "th") {
                if (field == "dport" || field == "sport")
                    return &kPort;
                return nullptr;
            }
            if (protocol == "ip")
                return field == "protocol" ? &kUdp : nullptr;
            // Another transport's or IPv6's header: its rule cannot match an IPv4 UDP datagram.
            static const char* const kOthers[] = {"tcp", "icmp", "icmpv6", "sctp", "dccp", "udplite",
                                                  "ip6", "igmp", "ah",     "esp",  "comp", "arp"};
            if (std::find(std::begin(kOthers), std::end(kOthers), protocol) != std::end(kOthers))
                otherwise = Match::No;
            return nullptr;
        }
        if (kind == "meta") {
            const std::string key = body.value("key", "");
            if (key == "l4proto")
                return &kUdp;
            if (key == "nfproto")
                return &kIpv4;
            if (key == "protocol")
                return &kIp;
            return nullptr;
        }
        if (kind == "ct" && body.value("key", "") == "state")
            return &kNewConnection;
        return nullptr;
    }

    // The right side's values, or nothing for a form that cannot be judged
    // (a prefix, a map, a named set that is not listed).
    std::optional<std::vector<json>> Values(const json& right, const std::string& tableKey) const {
        if (right.is_string() && right.get<std::string>().rfind('@', 0) == 0) {
            // nft lists a set's elements as values, never as the name of a further set.
            const auto set = sets_.find(tableKey + right.get<std::string>().substr(1));
            if (set == sets_.end() || !set->second.is_array())
                return std::nullopt;
            return Values(set->second, tableKey);
        }
        if (right.is_number() || right.is_string())
            return std::vector<json>{right};
        const json* list = right.is_array()                             ? &right
                           : right.is_object() && right.contains("set") ? &right["set"]
                                                                        : nullptr;
        if (list == nullptr || !list->is_array()) {
            if (right.is_object() && right.contains("range"))
                return std::vector<json>{right};
            return std::nullopt;
        }
        std::vector<json> values;
        for (const json& element : *list) {
            // A set element may carry a timeout or a comment: {"elem": {"val": ...}}.
            const json& value = element.is_object() && element.contains("elem")
                                    ? element["elem"].value("val", json())
                                    : element;
            if (!(value.is_number() || value.is_string() || (value.is_object() && value.contains("range"))))
                return std::nullopt;
            values.push_back(value);
        }
        return values;
    }

    static bool Holds(const json& value, const Known& known) {
        for (const json& own : known.values) {
            if (value == own)
                return true;
            if (value.is_object() && value.contains("range") && own.is_number() &&
                value["range"].size() == 2 && value["range"][0].is_number() &&
                value["range"][1].is_number() && value["range"][0] <= own && own <= value["range"][1])
                return true;
        }
        return false;
    }

    Match matchOf(const json& match, const std::string& family, const std::string& table) const {
        Match otherwise = Match::Maybe;
        const json& left = match.contains("left") ? match["left"] : json();
        const Known* known = Property(left, otherwise);
        // The adapter is not known, but it is never loopback.
        if (!known && left.is_object() && left.contains("meta")) {
            const std::string key = left["meta"].value("key", "");
            if ((key == "iifname" || key == "iif") && match.value("right", json()) == "lo")
                return match.value("op", "==") == "!=" ? Match::Yes : Match::No;
        }
        if (!known)
            return otherwise;
        const auto values = Values(match.value("right", json()), family + " " + table + " ");
        if (!values)
            return Match::Maybe;
        const bool held =
            std::any_of(values->begin(), values->end(), [&](const json& v) { return Holds(v, *known); });
        const std::string op = match.value("op", "==");
        if (op == "==" || op == "in")
            return held ? Match::Yes : Match::No;
        if (op == "!=")
            return held ? Match::No : Match::Yes;
        return Match::Maybe;
    }

    const json& items_;
    std::map<std::string, json> sets_; // named sets' elements by "family table name"
};

} // namespace

FilterRules ReadNftRuleset(const std::string& text) {
    const json document = json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object() || !document.contains("nftables") ||
        !document["nftables"].is_array())
        throw std::runtime_error("nft did not list a ruleset in JSON");
    try {
        return RulesetReader(document["nftables"]).read();
    } catch (const json::exception& error) {
        throw std::runtime_error(std::string("nft listed a ruleset of an unknown form: ") + error.what());
    }
}

} // namespace lumiq::doctor
