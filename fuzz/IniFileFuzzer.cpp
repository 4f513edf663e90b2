// The INI reader and writer on any file and any names and values: CFG.ini
// may have been written by another program, edited by hand or cut short.
//
// Input (FuzzedDataProvider): section, key, another key, value, then the
// file's contents. Strings end at a backslash followed by another character
// ("\\" is one backslash), so seeds can be written by hand.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "state/AtomicFile.h"
#include "state/IniFile.h"
#include "tests/state/TempFolder.h"

namespace {

using lumiq::fuzz::Require;

// The blanks the reader drops around names and values.
std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\v\f\r";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool SameAsciiName(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

constexpr std::string_view kMissing = "\x01missing";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(64);
    const std::string key = input.ConsumeRandomLengthString(64);
    const std::string otherKey = input.ConsumeRandomLengthString(64);
    const std::string value = input.ConsumeRandomLengthString();
    const std::string contents = input.ConsumeRemainingBytesAsString();

    static const std::string path = lumiq::fuzz::ScratchFolder() + "/fuzz.ini";
    lumiq::testfs::WriteBytes(path, contents);
    const lumiq::IniFile ini(path);
    const std::string otherBefore = ini.ReadString(section, otherKey, kMissing);
    ini.ReadString(section, key, kMissing);

    try {
        ini.WriteString(section, key, value);
    } catch (const std::invalid_argument&) {
        // A name or value no line can hold: the file is left alone.
        Require(lumiq::ReadWholeFile(path) == contents, "a refused write leaves the file as it was");
        return 0;
    }
    Require(ini.ReadString(section, key, kMissing) == Trimmed(value).substr(0, lumiq::kProfileValueLimit),
            "a written value reads back");
    if (!SameAsciiName(Trimmed(key), Trimmed(otherKey))) {
        Require(ini.ReadString(section, otherKey, kMissing) == otherBefore, "a write keeps the other keys");
    }
    return 0;
}
