#include "state/IniFile.h"

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "base/AsciiText.h"
#include "state/AtomicFile.h"

namespace lumiq {

namespace {

// The name in a "[name]" line.
std::optional<std::string_view> SectionNameOf(std::string_view line) {
    line = Trimmed(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trimmed(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

// A "key=value" line; comment lines (";") and section headers are not.
std::optional<KeyLine> KeyLineOf(std::string_view line) {
    const std::string_view trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[')
        return std::nullopt;
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    const std::string_view key = Trimmed(trimmed.substr(0, equals));
    if (key.empty())
        return std::nullopt;
    return KeyLine{key, Trimmed(trimmed.substr(equals + 1))};
}

struct IniLines {
    std::vector<std::string> lines; // without their line ends
    bool crlf = false;

    static IniLines Parse(std::string_view contents) {
        IniLines result;
        const std::size_t firstEnd = contents.find('\n');
        result.crlf = firstEnd != std::string_view::npos && firstEnd > 0 && contents[firstEnd - 1] == '\r';
        while (!contents.empty()) {
            const std::size_t end = contents.find('\n');
            std::string_view line = contents.substr(0, end);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            result.lines.emplace_back(line);
            if (end == std::string_view::npos)
                break;
            contents.remove_prefix(end + 1);
        }
        return result;
    }

    std::string Serialize() const {
        const std::string_view lineEnd = crlf ? "\r\n" : "\n";
        std::string contents;
        for (const std::string& line : lines) {
            contents += line;
            contents += lineEnd;
        }
        return contents;
    }

    // Index of the first "[section]" line, or lines.size().
    std::size_t FindSection(std::string_view section) const {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const auto name = SectionNameOf(lines[i]);
            if (name && SameAsciiLetters(*name, section))
                return i;
        }
        return lines.size();
    }

    // One past the last line of the section whose header is at `header`.
    std::size_t SectionEnd(std::size_t header) const {
        std::size_t i = header + 1;
        while (i < lines.size() && !SectionNameOf(lines[i]))
            ++i;
        return i;
    }

    // Index of the key's line within [header + 1, end), or end.
    std::size_t FindKey(std::size_t header, std::size_t end, std::string_view key) const {
        for (std::size_t i = header + 1; i < end; ++i) {
            const auto keyLine = KeyLineOf(lines[i]);
            if (keyLine && SameAsciiLetters(keyLine->key, key))
                return i;
        }
        return end;
    }

    // Replaces the key's value in its line, or adds the key (and the section).
    void Store(std::string_view section, std::string_view key, std::string_view value) {
        const std::string newLine = std::string(key) + "=" + std::string(value);
        const std::size_t header = FindSection(section);
        if (header == lines.size()) {
            if (!lines.empty() && !Trimmed(lines.back()).empty())
                lines.emplace_back();
            lines.push_back("[" + std::string(section) + "]");
            lines.push_back(newLine);
            return;
        }
        const std::size_t end = SectionEnd(header);
        const std::size_t line = FindKey(header, end, key);
        if (line != end) {
            // The key keeps its spelling in the file, and its place.
            lines[line] = std::string(KeyLineOf(lines[line])->key) + "=" + std::string(value);
            return;
        }
        // After the section's last line that is not blank, so that a blank
        // line before the next section stays where it is.
        std::size_t insertAt = header + 1;
        for (std::size_t i = header + 1; i < end; ++i)
            if (!Trimmed(lines[i]).empty())
                insertAt = i + 1;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
    }
};

void CheckWritable(std::string_view section, std::string_view key, std::string_view value) {
    const auto holdsLineBreak = [](std::string_view text) {
        return text.find_first_of("\r\n") != std::string_view::npos;
    };
    if (holdsLineBreak(section) || section.find(']') != std::string_view::npos)
        throw std::invalid_argument("Invalid INI section name");
    const std::string_view trimmedKey = Trimmed(key);
    if (holdsLineBreak(key) || trimmedKey.empty() || trimmedKey.find('=') != std::string_view::npos ||
        trimmedKey.front() == ';' || trimmedKey.front() == '[')
        throw std::invalid_argument("Invalid INI key name");
    if (holdsLineBreak(value))
        throw std::invalid_argument("A settings value cannot hold a line break");
}

} // namespace

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    section = Trimmed(section);
    key = Trimmed(key);
    std::optional<std::string> contents;
    try {
        contents = ReadWholeFile(path_);
    } catch (const std::system_error&) {
        // An unreadable file reads as a missing one, as on Windows.
    }
    if (!contents)
        return std::string(defaultValue);

    const IniLines ini = IniLines::Parse(*contents);
    const std::size_t header = ini.FindSection(section);
    if (header == ini.lines.size())
        return std::string(defaultValue);
    const std::size_t end = ini.SectionEnd(header);
    const std::size_t line = ini.FindKey(header, end, key);
    if (line == end)
        return std::string(defaultValue);
    return std::string(KeyLineOf(ini.lines[line])->value.substr(0, kProfileValueLimit));
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) const {
    WriteStrings(section, {IniValue{std::string(key), std::string(value)}});
}

void IniFile::WriteStrings(std::string_view section, const std::vector<IniValue>& values) const {
    for (const IniValue& entry : values)
        CheckWritable(section, entry.key, entry.value);
    section = Trimmed(section);
    const std::string failure = "Unable to write to " + path_;
    try {
        // A file that exists but cannot be read is not overwritten: its other
        // lines would be lost.
        IniLines ini = IniLines::Parse(ReadWholeFile(path_).value_or(""));
        for (const IniValue& entry : values)
            ini.Store(section, Trimmed(entry.key), entry.value);
        ReplaceFileContents(path_, ini.Serialize());
    } catch (const std::system_error&) {
        throw std::runtime_error(failure);
    }
}

std::vector<IniEntry> IniEntries(std::string_view contents) {
    std::vector<IniEntry> entries;
    std::string section;
    const IniLines ini = IniLines::Parse(contents);
    for (std::size_t i = 0; i < ini.lines.size(); ++i) {
        if (const auto name = SectionNameOf(ini.lines[i])) {
            section = std::string(*name);
        } else if (const auto keyLine = KeyLineOf(ini.lines[i])) {
            entries.push_back(
                {section, std::string(keyLine->key), std::string(keyLine->value), static_cast<int>(i + 1)});
        }
    }
    return entries;
}

} // namespace lumiq
