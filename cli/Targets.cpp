#include "cli/Targets.h"

#include <QByteArray>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "cli/ExitStatus.h"
#include "fleet/CsvText.h"
#include "state/AddressText.h"

namespace lumiq::cli {
namespace {

bool SameTarget(const Target& a, const Target& b) {
    return a.kind == b.kind && a.canonical == b.canonical;
}

std::vector<const fleet::FoundModule*> Matching(const Target& target, const std::vector<fleet::FoundModule>& found) {
    std::vector<const fleet::FoundModule*> modules;
    for (const fleet::FoundModule& module : found) {
        const bool match =
            target.kind == Target::Kind::Mac ? LowerCase(module.mac) == target.canonical : module.ip == target.ip;
        if (match) modules.push_back(&module);
    }
    return modules;
}

// Other modules that answered with the same MAC text: a frame to it reaches them all.
std::vector<const fleet::FoundModule*> SharingMac(const fleet::FoundModule& module,
                                                  const std::vector<fleet::FoundModule>& found) {
    std::vector<const fleet::FoundModule*> others;
    for (const fleet::FoundModule& other : found) {
        if (&other != &module && LowerCase(other.mac) == LowerCase(module.mac)) others.push_back(&other);
    }
    return others;
}

std::string Joined(const std::vector<const fleet::FoundModule*>& modules, bool byMac) {
    std::string text;
    for (const fleet::FoundModule* module : modules) {
        if (!text.empty()) text += modules.size() == 2 ? " and " : ", ";
        text += byMac ? module->mac : IpToText(module->ip);
    }
    return text;
}

Resolved One(const Target* target, const fleet::FoundModule& module, const std::vector<fleet::FoundModule>& found) {
    std::vector<const fleet::FoundModule*> same = SharingMac(module, found);
    if (same.empty()) return Resolved{target, &module, "ok", ""};
    same.insert(same.begin(), &module);
    return Resolved{target, &module, "ambiguous",
                    "MAC " + module.mac + " is shared by the modules at " + Joined(same, false) +
                        ": frames to it reach all of them"};
}

}  // namespace

std::string LowerCase(std::string_view text) {
    // ASCII letters only: MAC texts and keys.
    return QByteArray(text.data(), static_cast<qsizetype>(text.size())).toLower().toStdString();
}

bool LooksLikeTarget(std::string_view text) {
    if (LowerCase(text) == "all" || text.find(':') != std::string_view::npos) return true;
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

Target ParseTarget(std::string_view text) {
    Target target;
    target.text = std::string(text);
    if (LowerCase(text) == "all") return target;
    try {
        if (text.find(':') != std::string_view::npos) {
            target.kind = Target::Kind::Mac;
            target.canonical = fleet::CheckValue(fleet::Param::Mac, text).text;
        } else {
            target.kind = Target::Kind::Ip;
            target.canonical = fleet::CheckValue(fleet::Param::Dip, text).text;
            target.ip = ParseIp(target.canonical);
        }
    } catch (const fleet::ValueError& error) {
        throw UsageError("bad target \"" + std::string(text) + "\": " + error.rule() +
                         " (a target is a MAC text, an IP address or all)");
    }
    return target;
}

void AddTarget(std::vector<Target>& targets, Target target) {
    if (std::none_of(targets.begin(), targets.end(), [&](const Target& t) { return SameTarget(t, target); })) {
        targets.push_back(std::move(target));
    }
}

std::vector<Target> ReadTargetsFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    if (!file) throw UsageError("cannot read the targets file " + path);
    std::string text = content.str();
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);  // a spreadsheet's byte-order mark
    std::vector<Target> targets;
    const auto add = [&](int line, std::string_view word) {
        try {
            AddTarget(targets, ParseTarget(word));
        } catch (const UsageError& error) {
            throw UsageError(path + " line " + std::to_string(line) + ": " + error.what());
        }
    };
    const std::string first = LowerCase(text.substr(0, 4));
    if (first == "mac," || first == "mac\n" || first == "mac\r") {
        try {
            // A table such as `lumiq read --csv` writes: the mac column of every row.
            const std::vector<fleet::CsvRow> rows = fleet::ParseCsv(text);
            for (std::size_t i = 1; i < rows.size(); ++i) {
                if (!rows[i].fields.empty() && !rows[i].fields.front().empty())
                    add(rows[i].line, rows[i].fields.front());
            }
        } catch (const fleet::CsvError& error) {
            throw UsageError(path + " line " + std::to_string(error.line()) + ": " + error.what());
        }
        return targets;
    }
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        line = line.substr(0, line.find('#'));
        std::replace(line.begin(), line.end(), ',', ' ');
        std::istringstream words(line);
        for (std::string word; words >> word;) add(number, word);
    }
    return targets;
}

std::vector<Resolved> ResolveTargets(const std::vector<Target>& targets, const std::vector<fleet::FoundModule>& found) {
    std::vector<Resolved> resolved;
    std::vector<const fleet::FoundModule*> named;
    const auto add = [&](Resolved item) {
        if (item.module != nullptr) {
            if (std::find(named.begin(), named.end(), item.module) != named.end()) return;
            named.push_back(item.module);
        }
        resolved.push_back(std::move(item));
    };
    for (const Target& target : targets) {
        if (target.kind == Target::Kind::All) {
            for (const fleet::FoundModule& module : found) add(One(nullptr, module, found));
            continue;
        }
        const std::vector<const fleet::FoundModule*> modules = Matching(target, found);
        if (modules.empty()) {
            add(Resolved{&target, nullptr, "not-found", "no module answered the search as " + target.text});
        } else if (modules.size() > 1) {
            const bool byIp = target.kind == Target::Kind::Ip;
            add(Resolved{&target, nullptr, "ambiguous",
                         std::string(byIp ? "address " : "MAC ") + target.text + " is shared by the modules " +
                             (byIp ? "" : "at ") + Joined(modules, byIp)});
        } else {
            add(One(&target, *modules.front(), found));
        }
    }
    return resolved;
}

}  // namespace lumiq::cli
