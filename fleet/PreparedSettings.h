#pragma once
// Prepared settings for many modules: a profile of what a group of modules
// shares, and an identity table of what each one has of its own. Every value
// is checked when the files are read, before anything is sent; an error
// names the file, the line, the key and the rule.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "device/ValueRules.h"
#include "fleet/InputFile.h"

namespace lumiq::fleet {

struct SourcedValue {
    Value value;
    std::string where; // "FILE:LINE"
};

// An INI file with a [profile] section: work mode, gateway, mask, destination
// IP, ports, DHCP, UART settings, device name (and a module IP, for one
// module). Every line is blank, a comment (";" or "#"), a section header or
// KEY=VALUE, and every key stands in [profile]: a line that is none of these,
// or a key before [profile] or in another section, would otherwise be a
// setting silently not applied. A CFG.ini saved by the window (no [profile],
// a [CFG] section) is taken as the window reads it: its combo boxes are
// stored as item numbers, and its module IP and MAC are left out unless
// `takeIdentity`, since loading them copies one module's identity onto the
// next. A profile never writes a MAC.
struct Profile {
    std::string path;
    std::vector<SourcedValue> values;
    bool windowSettings = false;          // it was a CFG.ini
    std::vector<std::string> leftOutKeys; // the CFG.ini keys left out ("IP", "MAC")
};
Profile LoadProfile(const std::string& path, bool takeIdentity);

// A CSV file keyed by MAC text (column "mac"), one row per module, with any
// parameter as a column; an empty cell leaves that parameter to the profile.
// A MAC change is asked for in the column "new_mac". The CSV that
// `lumiq read --csv` writes is an identity table: its columns that are not
// settings (address, adapter, status, version, ...) are left alone. Two
// columns for one thing ("ip" and "IP") are refused: which would count?
struct IdentityRow {
    std::string mac;                  // canonical
    std::string where;                // "FILE:LINE"
    std::vector<SourcedValue> values; // a new MAC among them, from "new_mac"
};
struct IdentityTable {
    std::string path;
    TextEncoding encoding = TextEncoding::Utf8; // as the file was read
    std::vector<IdentityRow> rows;
    std::unordered_map<std::string, std::size_t> rowOfMac; // canonical MAC → index in rows, filled with them
    const IdentityRow* find(const std::string& mac) const; // any letter case
};
// The table is read as ReadInputText reads it, its separator (",", ";" or
// tab) told by its first row; an error in a table read as GBK says so, since
// a text that is wrong may have been saved otherwise.
IdentityTable LoadIdentityTable(const std::string& path);

// The columns that lumiq's module CSV writes after the settings, about the
// run rather than the module's settings. Named here, where identity tables
// are read, so that such a CSV stays an identity table.
enum class ReportColumn : unsigned char {
    Address,
    Adapter,
    Status,
    Detail,
    MacBefore,
    Changes,
    Written,
    NotWritten,
    Unconfirmed
};
std::string_view ReportColumnName(ReportColumn column); // "address", ..., "not_written"

// The columns of an identity table that are not settings: the report columns.
const std::vector<std::string>& InformationColumns();

// `under`, with the values of `over` in place of its own for the same
// parameters; in the order of the parameters.
std::vector<Value> Overlaid(const std::vector<Value>& under, const std::vector<Value>& over);

// What one module should be: the profile, overridden by what the identity
// pools made for it, overridden by its row.
std::vector<Value> WantedValues(const Profile& profile, const IdentityRow* row,
                                const std::vector<Value>& pooled = {});

// A profile value that identity-table cells put aside: the table's copy of
// `lumiq read --csv` keeps every column, and its values win over the
// profile's without a word otherwise. Cells equal to the profile's value
// change nothing and are not counted.
struct ProfileOverride {
    SourcedValue profile;                 // the value put aside, and where the profile has it
    std::size_t modules = 0;              // how many modules take a table value instead
    std::vector<std::string> tableValues; // those values, each once, in row order
};
// One per column, in the profile's order, for the modules with these rows
// (nullptr for a module without one).
std::vector<ProfileOverride> ProfileOverrides(const Profile& profile,
                                              const std::vector<const IdentityRow*>& rows);
// "the identity table overrides mode=TCP_Server (line.ini:3) for 2 modules, with UDP"
std::string DescribeOverride(const ProfileOverride& override);

// Refuses, before anything is sent, two modules that would end with one MAC
// or one IP address: two rows asking for the same one, a row asking for
// another row's current MAC, or a profile's module IP for more than one
// module. Throws InputError naming both places.
void CheckDistinctIdentities(const Profile& profile, const IdentityTable* table, std::size_t moduleCount);

} // namespace lumiq::fleet
