#include "fleet/PreparedSettings.h"

#include <algorithm>
#include <array>
#include <map>

#include "base/AsciiText.h"
#include "base/GbkText.h"
#include "base/ValueForms.h"
#include "fleet/CsvText.h"
#include "state/IniFile.h"

namespace lumiq::fleet {
namespace {

constexpr std::string_view kProfileSection = "profile";
constexpr std::string_view kWindowSection = "CFG";
constexpr std::string_view kKeyColumn = "mac";
constexpr std::string_view kNewMacColumn = "new_mac";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kReportColumnCount = static_cast<std::size_t>(ReportColumn::Unconfirmed) + 1;

// Each line of `contents` with its 1-based number, without its line end.
template <typename Visit> void ForEachLine(std::string_view contents, Visit visit) {
    for (int number = 1; !contents.empty(); ++number) {
        const std::size_t end = contents.find('\n');
        visit(contents.substr(0, end), number);
        if (end == std::string_view::npos)
            break;
        contents.remove_prefix(end + 1);
    }
}

// The section a header line names ("[ Profile ]" → "profile"); nothing for other lines.
std::optional<std::string> SectionOf(std::string_view trimmed) {
    if (trimmed.empty() || trimmed.front() != '[')
        return std::nullopt;
    return AsciiLowered(Trimmed(trimmed.substr(1, trimmed.find(']') - 1)));
}

bool HasSection(std::string_view contents, std::string_view section) {
    bool found = false;
    ForEachLine(contents,
                [&](std::string_view line, int) { found = found || SectionOf(Trimmed(line)) == section; });
    return found;
}

std::string Where(const std::string& path, int line) {
    return path + ":" + std::to_string(line);
}

[[noreturn]] void Refuse(const std::string& where, const std::string& what) {
    throw InputError(where + ": " + what);
}

Value Checked(const std::string& where, Param param, const std::string& text) {
    try {
        return CheckValue(param, text);
    } catch (const ValueError& error) {
        Refuse(where, error.what());
    }
}

bool IsUtf8(const std::string& text) {
    return GbkToUtf8(Utf8ToGbk(text)) == text || text.empty();
}

// The window keeps its lists as item numbers in CFG.ini.
bool IsComboKey(Param param) {
    return !RowOf(param).settingsKey.empty() && !RowOf(param).shown.empty();
}

std::string WindowComboText(const std::string& where, Param param, const std::string& stored) {
    int index = -1;
    try {
        std::size_t used = 0;
        index = std::stoi(stored, &used);
        if (used != stored.size())
            index = -1;
    } catch (const std::exception&) {
    }
    const auto shown = RowOf(param).shown;
    if (index < 0 || static_cast<std::size_t>(index) >= shown.size()) {
        Refuse(where, "bad value for " + std::string(KeyOf(param)) + ": \"" + stored +
                          "\" (the window stores this list as an item number, and this is none)");
    }
    return std::string(shown[static_cast<std::size_t>(index)]);
}

// The KEY=VALUE lines of a [profile] file, blanks around names and values
// dropped as the window's INI reader drops them; anything else than such
// lines in [profile], blank lines, comments and section headers is refused.
std::vector<IniEntry> ProfileEntries(const std::string& path, std::string_view contents) {
    std::vector<IniEntry> entries;
    std::optional<std::string> section; // nothing before the first header
    ForEachLine(contents, [&](std::string_view line, int number) {
        const std::string_view trimmed = Trimmed(line);
        if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#')
            return;
        const std::string where = Where(path, number);
        if (trimmed.front() == '[') {
            if (trimmed.find(']') == std::string_view::npos)
                Refuse(where, "a section header without its \"]\"");
            section = SectionOf(trimmed);
            return;
        }
        const std::size_t equals = trimmed.find('=');
        if (equals == std::string_view::npos) {
            Refuse(where, "not a KEY=VALUE line (a profile holds KEY=VALUE lines under [profile], and ; or # "
                          "comments)");
        }
        const std::string key(Trimmed(trimmed.substr(0, equals)));
        if (key.empty())
            Refuse(where, "no key before \"=\"");
        if (!section)
            Refuse(where, "\"" + key + "\" stands before the [profile] section; its keys go below it");
        if (*section != kProfileSection) {
            Refuse(where, "\"" + key + "\" stands in the section [" + *section +
                              "]; a profile's keys go in [profile]");
        }
        entries.push_back({*section, key, std::string(Trimmed(trimmed.substr(equals + 1))), number});
    });
    return entries;
}

} // namespace

Profile LoadProfile(const std::string& path, bool takeIdentity) {
    std::string contents = ReadInputFile(path, "a profile");
    if (contents.starts_with(kByteOrderMark))
        contents.erase(0, kByteOrderMark.size());
    Profile profile;
    profile.path = path;
    std::vector<IniEntry> entries;
    if (HasSection(contents, kProfileSection)) {
        entries = ProfileEntries(path, contents);
        if (entries.empty())
            Refuse(path, "[profile] holds no KEY=VALUE line");
    } else {
        // A CFG.ini, read as the window reads it: other sections and lines are none of its business.
        for (IniEntry& entry : IniEntries(contents)) {
            if (AsciiLowered(entry.section) == AsciiLowered(kWindowSection))
                entries.push_back(std::move(entry));
        }
        if (entries.empty()) {
            Refuse(path, "no [profile] section (nor the [CFG] section of a CFG.ini saved by the window)");
        }
        profile.windowSettings = true;
    }
    std::map<Param, std::string> seen;
    for (const IniEntry& entry : entries) {
        const std::string where = Where(path, entry.line);
        const auto param = ParamOfKey(entry.key);
        if (!param)
            Refuse(where, "unknown key \"" + entry.key + "\"");
        if (seen.count(*param) != 0)
            Refuse(where, "\"" + entry.key + "\" given twice (also at " + seen[*param] + ")");
        seen[*param] = where;
        if (profile.windowSettings) {
            if (entry.value.empty())
                continue; // the window writes MAC= for an empty field
            if ((*param == Param::Ip || *param == Param::Mac) && !takeIdentity) {
                profile.leftOutKeys.push_back(entry.key);
                continue;
            }
            const std::string text = GbkToUtf8(entry.value);
            profile.values.push_back(
                {Checked(where, *param, IsComboKey(*param) ? WindowComboText(where, *param, text) : text),
                 where});
            continue;
        }
        if (*param == Param::Mac) {
            Refuse(
                where,
                "a profile never writes a MAC; ask for a MAC change in the identity table's new_mac column");
        }
        if (!IsUtf8(entry.value))
            Refuse(where, "the value of \"" + entry.key + "\" is not UTF-8 text");
        if (entry.value.empty())
            Refuse(where, "\"" + entry.key + "\" has no value");
        profile.values.push_back({Checked(where, *param, entry.value), where});
    }
    return profile;
}

std::string_view ReportColumnName(ReportColumn column) {
    static constexpr std::array<std::string_view, kReportColumnCount> kNames{
        "address", "adapter", "status",      "detail",     "mac_before",
        "changes", "written", "not_written", "unconfirmed"};
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
    const auto found = rowOfMac.find(AsciiLowered(mac));
    return found != rowOfMac.end() ? &rows[found->second] : nullptr;
}

namespace {

IdentityTable TableOf(const std::string& path, std::string_view text) {
    std::vector<CsvRow> rows;
    try {
        rows = ParseCsv(text);
    } catch (const CsvError& error) {
        Refuse(Where(path, error.line()), error.what());
    }
    if (rows.empty())
        Refuse(path, "empty; the first row names the columns, one of them \"mac\"");
    // Which parameter each column holds; nothing for the key and information columns.
    std::vector<std::optional<Param>> columns;
    int keyColumn = -1;
    int newMacColumn = -1;
    const CsvRow& header = rows.front();
    std::map<std::string, std::size_t> columnFor; // what a column stands for ("ip", "mac", "status") → column
    for (std::size_t i = 0; i < header.fields.size(); ++i) {
        const std::string name = AsciiLowered(header.fields[i]);
        const auto& info = InformationColumns();
        columns.emplace_back();
        std::string standsFor = name;
        if (name == kKeyColumn) {
            keyColumn = static_cast<int>(i);
        } else if (name == kNewMacColumn) {
            newMacColumn = static_cast<int>(i);
        } else if (std::find(info.begin(), info.end(), name) == info.end()) {
            const auto param = ParamOfKey(name);
            if (!param)
                Refuse(Where(path, header.line), "unknown column \"" + header.fields[i] + "\"");
            columns.back() = param;
            standsFor = KeyOf(*param);
        }
        const auto [earlier, fresh] = columnFor.emplace(standsFor, i);
        if (!fresh) {
            Refuse(Where(path, header.line),
                   "two columns for " + standsFor + ": \"" + header.fields[earlier->second] + "\" (column " +
                       std::to_string(earlier->second + 1) + ") and \"" + header.fields[i] + "\" (column " +
                       std::to_string(i + 1) + ")");
        }
    }
    if (keyColumn < 0)
        Refuse(Where(path, header.line), "no \"mac\" column; it says which module a row is for");

    IdentityTable table;
    table.path = path;
    table.rows.reserve(rows.size() - 1);
    table.rowOfMac.reserve(rows.size() - 1);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const CsvRow& csv = rows[r];
        const std::string where = Where(path, csv.line);
        if (csv.fields.size() > header.fields.size())
            Refuse(where, "more cells than the first row has columns");
        const auto cell = [&](int column) {
            return column >= 0 && static_cast<std::size_t>(column) < csv.fields.size()
                       ? csv.fields[static_cast<std::size_t>(column)]
                       : std::string();
        };
        IdentityRow row;
        row.where = where;
        if (cell(keyColumn).empty())
            Refuse(where, "no MAC in the \"mac\" column");
        if (!IsMacTextForm(cell(keyColumn))) {
            Refuse(where, "bad value for mac: \"" + cell(keyColumn) + "\" (a MAC text is xx:xx:xx:xx:xx:xx)");
        }
        row.mac = AsciiLowered(cell(keyColumn));
        const auto [earlier, fresh] = table.rowOfMac.emplace(row.mac, table.rows.size());
        if (!fresh)
            Refuse(where, "MAC " + row.mac + " has a row already, at " + table.rows[earlier->second].where);
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::string text = cell(static_cast<int>(i));
            if (!columns[i] || text.empty() || *columns[i] == Param::Version)
                continue;
            if (*columns[i] == Param::Mac)
                continue; // the key, repeated
            row.values.push_back({Checked(where, *columns[i], text), where});
        }
        const std::string newMac = cell(newMacColumn);
        if (!newMac.empty() && AsciiLowered(newMac) != row.mac) {
            row.values.push_back({Checked(where, Param::Mac, newMac), where});
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

} // namespace

IdentityTable LoadIdentityTable(const std::string& path) {
    InputText input = ReadInputText(path, "an identity table");
    try {
        IdentityTable table = TableOf(path, input.text);
        table.encoding = input.encoding;
        return table;
    } catch (const InputError& error) {
        if (input.encoding != TextEncoding::Gbk)
            throw;
        throw InputError(std::string(error.what()) + " (the file is not UTF-8 and was read as GBK)");
    }
}

std::vector<ProfileOverride> ProfileOverrides(const Profile& profile,
                                              const std::vector<const IdentityRow*>& rows) {
    std::vector<ProfileOverride> overrides;
    for (const SourcedValue& value : profile.values) {
        ProfileOverride override{value, 0, {}};
        for (const IdentityRow* row : rows) {
            if (row == nullptr)
                continue;
            const auto cell =
                std::find_if(row->values.begin(), row->values.end(),
                             [&](const SourcedValue& own) { return own.value.param == value.value.param; });
            if (cell == row->values.end() || cell->value.text == value.value.text)
                continue;
            ++override.modules;
            auto& seen = override.tableValues;
            if (std::find(seen.begin(), seen.end(), cell->value.text) == seen.end())
                seen.push_back(cell->value.text);
        }
        if (override.modules > 0)
            overrides.push_back(std::move(override));
    }
    return overrides;
}

std::string DescribeOverride(const ProfileOverride& override) {
    std::vector<std::string> values;
    for (const std::string& text : override.tableValues)
        values.push_back("\"" + text + "\"");
    std::string joined;
    for (std::size_t i = 0; i < values.size(); ++i)
        joined += (i > 0 ? ", " : "") + values[i];
    return "the identity table overrides " + std::string(KeyOf(override.profile.value.param)) + "=\"" +
           override.profile.value.text + "\" (" + override.profile.where + ") for " +
           std::to_string(override.modules) + (override.modules == 1 ? " module" : " modules") + ", with " +
           joined;
}

std::vector<Value> Overlaid(const std::vector<Value>& under, const std::vector<Value>& over) {
    std::map<Param, Value> wanted;
    for (const Value& value : under)
        wanted.insert_or_assign(value.param, value);
    for (const Value& value : over)
        wanted.insert_or_assign(value.param, value);
    std::vector<Value> values;
    for (auto& [param, value] : wanted)
        values.push_back(std::move(value));
    return values;
}

std::vector<Value> WantedValues(const Profile& profile, const IdentityRow* row,
                                const std::vector<Value>& pooled) {
    std::vector<Value> wanted;
    for (const SourcedValue& value : profile.values)
        wanted.push_back(value.value);
    wanted = Overlaid(wanted, pooled);
    if (row != nullptr) {
        std::vector<Value> own;
        for (const SourcedValue& value : row->values)
            own.push_back(value.value);
        wanted = Overlaid(wanted, own);
    }
    return wanted;
}

void CheckDistinctIdentities(const Profile& profile, const IdentityTable* table, std::size_t moduleCount) {
    for (const SourcedValue& value : profile.values) {
        if ((value.value.param == Param::Ip || value.value.param == Param::Mac) && moduleCount > 1) {
            Refuse(value.where, "one " + std::string(KeyOf(value.value.param)) + " for " +
                                    std::to_string(moduleCount) +
                                    " modules; give each module its own in the identity table");
        }
    }
    if (table == nullptr)
        return;
    // A new MAC that another row's module has now would give two modules one
    // MAC while the writes go on, even if that one moves away later.
    std::map<std::string, std::string> macs;
    std::map<std::string, std::string> ips;
    for (const IdentityRow& row : table->rows)
        macs.emplace(row.mac, row.where);
    for (const IdentityRow& row : table->rows) {
        for (const SourcedValue& value : row.values) {
            std::map<std::string, std::string>* seen = nullptr;
            if (value.value.param == Param::Mac)
                seen = &macs;
            if (value.value.param == Param::Ip)
                seen = &ips;
            if (seen == nullptr)
                continue;
            const auto [it, fresh] = seen->emplace(value.value.text, value.where);
            if (!fresh) {
                Refuse(value.where, std::string(KeyOf(value.value.param)) + " " + value.value.text +
                                        " would be given to two modules (also at " + it->second + ")");
            }
        }
    }
}

} // namespace lumiq::fleet
