#pragma once
// INI files read and written the way the Windows private-profile functions
// do it, so a file written by either side reads the same on the other:
// - section and key names are compared without regard to (ASCII) letter case;
//   the first matching section, and in it the first matching key, counts;
// - blanks around names and values are dropped on reading;
// - writing keeps every other line of the file as it was (comments, other
//   sections and keys, their order); an existing value is replaced on its own
//   line, a new key goes after the last line of its section, a new section
//   at the end of the file; the file is created when missing;
// - lines end in CRLF or LF on reading; a rewrite keeps the file's style,
//   judged by its first line end. A new file gets LF, the Linux custom; the
//   Windows functions read it as well.
// Values are bytes: no code page is assumed here.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lumiq {

// The Windows reader hands values through a 2048-byte buffer, so longer
// values come back cut to this many bytes.
inline constexpr std::size_t kProfileValueLimit = 2047;

struct IniValue {
    std::string key;
    std::string value;
};

class IniFile {
public:
    explicit IniFile(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }

    // The value, blanks around it dropped and cut to kProfileValueLimit
    // bytes; `defaultValue` when the file, the section or the key is missing
    // or the file cannot be read.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // Stores the value; the file is replaced as a whole, never left half
    // written (see AtomicFile.h). Throws std::runtime_error "Unable to write
    // to <path>" when the file cannot be read or written, and
    // std::invalid_argument for a name or value that a line cannot hold (a
    // line break, or "=" in a key), which would otherwise change other keys.
    void WriteString(std::string_view section, std::string_view key, std::string_view value) const;

    // Stores the values in order, as that many WriteString calls would, with
    // one replacement of the file: either all of them are written or none.
    // Throws as WriteString does, before writing anything.
    void WriteStrings(std::string_view section, const std::vector<IniValue>& values) const;

private:
    std::string path_;
};

// One "key=value" line of an INI text, with its section (empty before the
// first header) and its 1-based line number, blanks around names and values
// dropped. Readers of whole files use it to say where a bad value stands.
struct IniEntry {
    std::string section;
    std::string key;
    std::string value;
    int line = 0;
};
std::vector<IniEntry> IniEntries(std::string_view contents);

} // namespace lumiq
