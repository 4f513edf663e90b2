#include "fleet/PreparedSettings.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <map>
#include <sstream>

#include "fleet/CsvText.h"
#include "state/GbkText.h"
#include "state/IniFile.h"
#include "state/ValueForms.h"

namespace lumiq::fleet {
namespace {

constexpr std::string_view kProfileSection = "profile";
constexpr std::string_view kWindowSection = "CFG";
constexpr std::string_view kKeyColumn = "mac";
constexpr std::string_view kNewMacColumn = "new_mac";
// Files of prepared settings are small; anything larger is not one.
constexpr std::size_t kMaxFileBytes = 16 << 20;
constexpr std::size_t kReportColumnCount = static_cast<std::size_t>(ReportColumn::Unconfirmed) + 1;

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw InputError(path + ": cannot be read");
    std::string contents;
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        contents.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (contents.size() > kMaxFileBytes) throw InputError(path + ": too large for a settings file");
    }
    return contents;
}

std::string Where(const std::string& path, int line) { return path + ":" + std::to_string(line); }

[[noreturn]] void Refuse(const std::string& where, const std::string& what) { throw InputError(where + ": " + what); }

Value Checked(const std::string& where, Param param, const std::string& text) {
    try {
        return CheckValue(param, text);
    } catch (const ValueError& error) {
        Refuse(where, error.what());
    }
}

bool IsUtf8(const std::string& text) { return GbkToUtf8(Utf8ToGbk(text)) == text || text.empty(); }

// The window keeps its combo boxes as item numbers.
std::string WindowComboText(const std::string& where, Param param, const std::string& stored) {
    int index = -1;
    try {
        std::size_t used = 0;
        index = std::stoi(stored, &used);
        if (used != stored.size()) index = -1;
    } catch (const std::exception&) {
    }
    static constexpr std::array<std::string_view, 2> kDataBits{"8", "9"};
    std::string_view text;
    switch (param) {
        case Param::Mode: text = ModeName(index); break;
        case Param::Baud:
            if (index >= 0 && index < static_cast<int>(kModuleBaudRates.size())) text = kModuleBaudRates[index];
            break;
        case Param::DataBits:
            if (index >= 0 && index < 2) text = kDataBits[static_cast<std::size_t>(index)];
            break;
        case Param::StopBits: text = StopBitsName(index); break;
        case Param::Parity: text = ParityName(index); break;
        default: return stored;
    }
    if (text.empty()) {
        Refuse(where, "bad value for " + std::string(KeyOf(param)) + ": \"" + stored +
                          "\" (the window stores this list as an item number, and this is none)");
    }
    return std::string(text);
}

bool IsComboKey(Param param) {
    return param == Param::Mode || param == Param::Baud || param == Param::DataBits || param == Param::StopBits ||
           param == Param::Parity;
}

}  // namespace

Profile LoadProfile(const std::string& path, bool takeIdentity) {
    const std::vector<IniEntry> entries = IniEntries(ReadWhole(path));
    const auto inSection = [&](std::string_view section) {
        return std::any_of(entries.begin(), entries.end(),
                           [&](const IniEntry& entry) { return Lower(entry.section) == Lower(section); });
    };
    Profile profile;
    profile.path = path;
    profile.windowSettings = !inSection(kProfileSection) && inSection(kWindowSection);
    const std::string_view section = profile.windowSettings ? kWindowSection : kProfileSection;
    if (!profile.windowSettings && !inSection(kProfileSection)) {
        Refuse(path, "no [profile] section (nor the [CFG] section of a CFG.ini saved by the window)");
    }
    std::map<Param, std::string> seen;
    for (const IniEntry& entry : entries) {
        if (Lower(entry.section) != Lower(section)) continue;
        const std::string where = Where(path, entry.line);
        const auto param = ParamOfKey(entry.key);
        if (!param) Refuse(where, "unknown key \"" + entry.key + "\"");
        if (seen.count(*param) != 0) Refuse(where, "\"" + entry.key + "\" given twice (also at " + seen[*param] + ")");
        seen[*param] = where;
        if (profile.windowSettings) {
            if (entry.value.empty()) continue;  // the window writes MAC= for an empty field
            if ((*param == Param::Ip || *param == Param::Mac) && !takeIdentity) {
                profile.leftOutKeys.push_back(entry.key);
                continue;
            }
            const std::string text = GbkToUtf8(entry.value);
            profile.values.push_back(
                {Checked(where, *param, IsComboKey(*param) ? WindowComboText(where, *param, text) : text), where});
            continue;
        }
        if (*param == Param::Mac) {
            Refuse(where, "a profile never writes a MAC; ask for a MAC change in the identity table's new_mac column");
        }
        if (!IsUtf8(entry.value)) Refuse(where, "the value of \"" + entry.key + "\" is not UTF-8 text");
        if (entry.value.empty()) Refuse(where, "\"" + entry.key + "\" has no value");
        profile.values.push_back({Checked(where, *param, entry.value), where});
    }
    return profile;
}

std::string_view ReportColumnName(ReportColumn column) {
    static constexpr std::array<std::string_view, kReportColumnCount> kNames{
        "address", "adapter", "status", "detail", "mac_before", "changes", "written", "not_written", "unconfirmed"};
    return kNames[static_cast<std::size_t>(column)];
}

const std::vector<std::string>& InformationColumns() {
    static const std::vector<std::string> columns = [] {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < kReportColumnCount; ++i)
            names.emplace_back(ReportColumnName(static_cast<ReportColumn>(i)));
        return names;
    }();
    return columns;
}

const IdentityRow* IdentityTable::find(const std::string& mac) const {
    for (const IdentityRow& row : rows) {
        if (row.mac == Lower(mac)) return &row;
    }
    return nullptr;
}

IdentityTable LoadIdentityTable(const std::string& path) {
    std::vector<CsvRow> rows;
    try {
        rows = ParseCsv(ReadWhole(path));
    } catch (const CsvError& error) {
        Refuse(Where(path, error.line()), error.what());
    }
    if (rows.empty()) Refuse(path, "empty; the first row names the columns, one of them \"mac\"");
    // Which parameter each column holds; nothing for the key and information columns.
    std::vector<std::optional<Param>> columns;
    int keyColumn = -1;
    int newMacColumn = -1;
    const CsvRow& header = rows.front();
    for (std::size_t i = 0; i < header.fields.size(); ++i) {
        const std::string name = Lower(header.fields[i]);
        const auto& info = InformationColumns();
        columns.emplace_back();
        if (name == kKeyColumn) {
            keyColumn = static_cast<int>(i);
        } else if (name == kNewMacColumn) {
            newMacColumn = static_cast<int>(i);
        } else if (std::find(info.begin(), info.end(), name) == info.end()) {
            const auto param = ParamOfKey(name);
            if (!param) Refuse(Where(path, header.line), "unknown column \"" + header.fields[i] + "\"");
            columns.back() = param;
        }
    }
    if (keyColumn < 0) Refuse(Where(path, header.line), "no \"mac\" column; it says which module a row is for");

    IdentityTable table;
    table.path = path;
    std::map<std::string, std::string> rowOfMac;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const CsvRow& csv = rows[r];
        const std::string where = Where(path, csv.line);
        if (csv.fields.size() > header.fields.size()) Refuse(where, "more cells than the first row has columns");
        const auto cell = [&](int column) {
            return column >= 0 && static_cast<std::size_t>(column) < csv.fields.size()
                       ? csv.fields[static_cast<std::size_t>(column)]
                       : std::string();
        };
        IdentityRow row;
        row.where = where;
        if (cell(keyColumn).empty()) Refuse(where, "no MAC in the \"mac\" column");
        if (!IsMacTextForm(cell(keyColumn))) {
            Refuse(where, "bad value for mac: \"" + cell(keyColumn) + "\" (a MAC text is xx:xx:xx:xx:xx:xx)");
        }
        row.mac = Lower(cell(keyColumn));
        if (rowOfMac.count(row.mac) != 0) Refuse(where, "MAC " + row.mac + " has a row already, at " + rowOfMac[row.mac]);
        rowOfMac[row.mac] = where;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::string text = cell(static_cast<int>(i));
            if (!columns[i] || text.empty() || *columns[i] == Param::Version) continue;
            if (*columns[i] == Param::Mac) continue;  // the key, repeated
            row.values.push_back({Checked(where, *columns[i], text), where});
        }
        const std::string newMac = cell(newMacColumn);
        if (!newMac.empty() && Lower(newMac) != row.mac) {
            row.values.push_back({Checked(where, Param::Mac, newMac), where});
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

std::vector<Value> WantedValues(const Profile& profile, const IdentityRow* row) {
    std::map<Param, Value> wanted;
    for (const SourcedValue& value : profile.values) wanted.insert_or_assign(value.value.param, value.value);
    if (row != nullptr) {
        for (const SourcedValue& value : row->values) wanted.insert_or_assign(value.value.param, value.value);
    }
    std::vector<Value> values;
    for (auto& [param, value] : wanted) values.push_back(std::move(value));
    return values;
}

void CheckDistinctIdentities(const Profile& profile, const IdentityTable* table, std::size_t moduleCount) {
    for (const SourcedValue& value : profile.values) {
        if ((value.value.param == Param::Ip || value.value.param == Param::Mac) && moduleCount > 1) {
            Refuse(value.where, "one " + std::string(KeyOf(value.value.param)) + " for " + std::to_string(moduleCount) +
                                    " modules; give each module its own in the identity table");
        }
    }
    if (table == nullptr) return;
    // A new MAC that another row's module has now would give two modules one
    // MAC while the writes go on, even if that one moves away later.
    std::map<std::string, std::string> macs;
    std::map<std::string, std::string> ips;
    for (const IdentityRow& row : table->rows) macs.emplace(row.mac, row.where);
    for (const IdentityRow& row : table->rows) {
        for (const SourcedValue& value : row.values) {
            std::map<std::string, std::string>* seen = nullptr;
            if (value.value.param == Param::Mac) seen = &macs;
            if (value.value.param == Param::Ip) seen = &ips;
            if (seen == nullptr) continue;
            const auto [it, fresh] = seen->emplace(value.value.text, value.where);
            if (!fresh) {
                Refuse(value.where, std::string(KeyOf(value.value.param)) + " " + value.value.text +
                                        " would be given to two modules (also at " + it->second + ")");
            }
        }
    }
}

}  // namespace lumiq::fleet
