// CFG.ini through the settings file: any file contents, keys and values in
// UTF-8 as the panel hands them over, stored as GBK.
//
// Input (FuzzedDataProvider): key, value, then the file's contents.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "state/IniFile.h"
#include "state/SettingsFile.h"
#include "tests/state/TempFolder.h"

using lumiq::fuzz::IsValidUtf8;
using lumiq::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string key = input.ConsumeRandomLengthString(64);
    const std::string value = input.ConsumeRandomLengthString();
    const std::string contents = input.ConsumeRemainingBytesAsString();

    // No configuration folder: the file lies beside the "program".
    static const lumiq::SettingsFile settings(lumiq::fuzz::ScratchFolder(), std::string());
    lumiq::testfs::WriteBytes(settings.Path(), contents);
    Require(IsValidUtf8(settings.LoadSetting(key)), "a stored value loads as valid UTF-8");

    try {
        settings.SaveSetting(key, value);
    } catch (const std::invalid_argument&) {
        return 0; // a key or value that a line cannot hold
    }
    // Plain ASCII without blanks at its ends comes back exactly.
    const bool plain = value.size() < lumiq::kProfileValueLimit &&
                       std::all_of(value.begin(), value.end(), [](char c) { return c > ' ' && c < 0x7f; });
    if (plain)
        Require(settings.LoadSetting(key) == value, "a saved value loads back");
    return 0;
}
