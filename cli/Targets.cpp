#include "cli/Targets.h"

#include <algorithm>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include "base/AsciiText.h"
#include "cli/ExitStatus.h"
#include "fleet/CsvText.h"
#include "fleet/InputFile.h"
#include "state/AddressText.h"

// Plain C++ without Qt, so that the target-list reader can be fuzzed on its own.

namespace lumiq::cli {
namespace {

// A target's identity: its kind and canonical text.
std::string KeyOf(const Target& target) {
    return static_cast<char>('0' + static_cast<int>(target.kind)) + target.canonical;
}

using Modules = std::vector<const fleet::FoundModule*>;

// The modules found, by lower-case MAC text and by address, each list in the order found.
struct FoundIndex {
    std::unordered_map<std::string, Modules> byMac;
    std::unordered_map<std::uint32_t, Modules> byIp;

    explicit FoundIndex(const std::vector<fleet::FoundModule>& found) {
        for (const fleet::FoundModule& module : found) {
            byMac[AsciiLowered(module.mac)].push_back(&module);
            byIp[module.ip].push_back(&module);
        }
    }
    Modules matching(const Target& target) const {
        if (target.kind == Target::Kind::Mac) {
            const auto it = byMac.find(target.canonical);
            return it != byMac.end() ? it->second : Modules{};
        }
        const auto it = byIp.find(target.ip);
        return it != byIp.end() ? it->second : Modules{};
    }
    // Every module that answered with this one's MAC text, itself first:
    // a frame to that MAC reaches them all.
    Modules sharingMac(const fleet::FoundModule& module) const {
        Modules same{&module};
        for (const fleet::FoundModule* other : byMac.at(AsciiLowered(module.mac)))
            if (other != &module)
                same.push_back(other);
        return same;
    }
};

std::string Joined(const Modules& modules, bool byMac) {
    std::string text;
    for (const fleet::FoundModule* module : modules) {
        if (!text.empty())
            text += modules.size() == 2 ? " and " : ", ";
        text += byMac ? module->mac : IpToText(module->ip);
    }
    return text;
}

Resolved One(const Target* target, const fleet::FoundModule& module, const FoundIndex& index) {
    const Modules same = index.sharingMac(module);
    if (same.size() == 1)
        return Resolved{target, &module, ModuleStatus::Ok, ""};
    return Resolved{target, &module, ModuleStatus::Ambiguous,
                    "MAC " + module.mac + " is shared by the modules at " + Joined(same, false) +
                        ": frames to it reach all of them"};
}

std::string Where(const std::string& path, int line) {
    return path + ":" + std::to_string(line) + ": ";
}

} // namespace

bool LooksLikeTarget(std::string_view text) {
    if (AsciiLowered(text) == "all" || text.find(':') != std::string_view::npos)
        return true;
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

Target ParseTarget(std::string_view text) {
    Target target;
    target.text = std::string(text);
    if (AsciiLowered(text) == "all")
        return target;
    try {
        if (text.find(':') != std::string_view::npos) {
            target.kind = Target::Kind::Mac;
            target.canonical = CheckValue(Param::Mac, text).text;
        } else {
            target.kind = Target::Kind::Ip;
            target.canonical = CheckValue(Param::Dip, text).text;
            target.ip = ParseIp(target.canonical);
        }
    } catch (const ValueError& error) {
        throw UsageError("bad target \"" + std::string(text) + "\": " + error.rule() +
                         " (a target is a MAC text, an IP address or all)");
    }
    return target;
}

void AddTargets(std::vector<Target>& targets, std::vector<Target> more) {
    std::unordered_set<std::string> given;
    given.reserve(targets.size() + more.size());
    for (const Target& target : targets)
        given.insert(KeyOf(target));
    for (Target& target : more) {
        if (given.insert(KeyOf(target)).second)
            targets.push_back(std::move(target));
    }
}

void AddTarget(std::vector<Target>& targets, Target target) {
    std::vector<Target> one;
    one.push_back(std::move(target));
    AddTargets(targets, std::move(one));
}

std::vector<Target> ParseTargetsText(std::string_view text, const std::string& path) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3); // a spreadsheet's byte-order mark
    std::vector<Target> listed;
    const auto add = [&](int line, std::string_view word) {
        try {
            listed.push_back(ParseTarget(word));
        } catch (const UsageError& error) {
            throw UsageError(Where(path, line) + error.what());
        }
    };
    const std::string first = AsciiLowered(text.substr(0, 4));
    if (first == "mac," || first == "mac;" || first == "mac\t" || first == "mac\n" || first == "mac\r") {
        try {
            // A table such as `lumiq read --csv` writes, or a spreadsheet
            // saves with ";" or tabs: the mac column of every row.
            const std::vector<fleet::CsvRow> rows = fleet::ParseCsv(text);
            for (std::size_t i = 1; i < rows.size(); ++i) {
                if (!rows[i].fields.empty() && !rows[i].fields.front().empty())
                    add(rows[i].line, rows[i].fields.front());
            }
        } catch (const fleet::CsvError& error) {
            throw UsageError(Where(path, error.line()) + error.what());
        }
    } else {
        std::istringstream lines{std::string(text)};
        std::string line;
        for (int number = 1; std::getline(lines, line); ++number) {
            line = line.substr(0, line.find('#'));
            std::replace(line.begin(), line.end(), ',', ' ');
            std::istringstream words(line);
            for (std::string word; words >> word;)
                add(number, word);
        }
    }
    std::vector<Target> targets;
    AddTargets(targets, std::move(listed));
    return targets;
}

std::vector<Target> ReadTargetsFile(const std::string& path) {
    fleet::InputText input;
    try {
        input = fleet::ReadInputText(path, "a target list");
    } catch (const fleet::InputError& error) {
        throw UsageError(error.what());
    }
    try {
        return ParseTargetsText(input.text, path);
    } catch (const UsageError& error) {
        if (input.encoding != fleet::TextEncoding::Gbk)
            throw;
        throw UsageError(std::string(error.what()) + " (the file is not UTF-8 and was read as GBK)");
    }
}

std::vector<Resolved> ResolveTargets(const std::vector<Target>& targets,
                                     const std::vector<fleet::FoundModule>& found) {
    const FoundIndex index(found);
    std::vector<Resolved> resolved;
    std::unordered_set<const fleet::FoundModule*> named;
    const auto add = [&](Resolved item) {
        if (item.module != nullptr && !named.insert(item.module).second)
            return;
        resolved.push_back(std::move(item));
    };
    for (const Target& target : targets) {
        if (target.kind == Target::Kind::All) {
            for (const fleet::FoundModule& module : found)
                add(One(nullptr, module, index));
            continue;
        }
        const Modules modules = index.matching(target);
        if (modules.empty()) {
            add(Resolved{&target, nullptr, ModuleStatus::NotFound,
                         "no module answered the search as " + target.text});
        } else if (modules.size() > 1) {
            const bool byIp = target.kind == Target::Kind::Ip;
            add(Resolved{&target, nullptr, ModuleStatus::Ambiguous,
                         std::string(byIp ? "address " : "MAC ") + target.text +
                             " is shared by the modules " + (byIp ? "" : "at ") + Joined(modules, byIp)});
        } else {
            add(One(&target, *modules.front(), index));
        }
    }
    return resolved;
}

} // namespace lumiq::cli
