#include "state/SettingsFile.h"

#include "state/ProgramFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "base/GbkText.h"
#include "state/IniFile.h"
#include "state/UserFolders.h"

namespace lumiq {

namespace {

constexpr const char* kFileName = "CFG.ini";
constexpr const char* kSection = "CFG";
constexpr const char* kMissingValue = "0";

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Root passes every permission check except that of a read-only mount, so
// this asks the kernel rather than reading mode bits.
bool IsWritableFolder(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

} // namespace

SettingsFile::SettingsFile(std::string programDir, std::string configDir)
    : programDir_(std::move(programDir)), configDir_(std::move(configDir)) {}

SettingsFile SettingsFile::ForThisProgram() {
    const std::string programDir = ProgramFolder();
    const std::string configDir = UserConfigDir();
    // An installed copy lives among the system's programs (/usr/bin), which
    // root could write to but which is no place for an operator's settings:
    // it keeps CFG.ini in the configuration folder. It is recognised by the
    // data folder its installation puts beside its own.
    if (!programDir.empty() && !configDir.empty() &&
        IsDirectory(JoinPath(programDir, LUMIQ_DATADIR_FROM_BINDIR)))
        return SettingsFile(std::string(), configDir);
    return SettingsFile(programDir, configDir);
}

std::string SettingsFile::UserConfigDir() {
    return XdgProgramFolder("XDG_CONFIG_HOME", ".config");
}

std::string SettingsFile::Path() const {
    // An installed program's folder (/usr/bin) is not writable by its user;
    // a file there is still read and, when possible, written.
    const std::string besideProgram = JoinPath(programDir_, kFileName);
    if (configDir_.empty())
        return besideProgram;
    if (!programDir_.empty() && (Exists(besideProgram) || IsWritableFolder(programDir_)))
        return besideProgram;
    return JoinPath(configDir_, kFileName);
}

std::string SettingsFile::LoadSetting(const std::string& key) const {
    std::string stored = IniFile(Path()).ReadString(kSection, Utf8ToGbk(key), kMissingValue);
    // A value cut at the byte limit may end in half a character.
    if (stored.size() == kProfileValueLimit)
        stored.resize(GbkWholeCharactersLength(stored));
    return GbkToUtf8(stored);
}

void SettingsFile::SaveSetting(const std::string& key, const std::string& value) const {
    SaveSettings({IniValue{key, value}});
}

void SettingsFile::SaveSettings(const std::vector<IniValue>& values) const {
    const std::string path = Path();
    if (!configDir_.empty() && path == JoinPath(configDir_, kFileName) && !MakeFolders(configDir_))
        throw std::runtime_error("Unable to write to " + path);
    // The Windows tool wrote its ANSI code page; files stay exchangeable.
    std::vector<IniValue> stored;
    stored.reserve(values.size());
    for (const IniValue& entry : values)
        stored.push_back({Utf8ToGbk(entry.key), Utf8ToGbk(entry.value)});
    IniFile(path).WriteStrings(kSection, stored);
}

} // namespace lumiq
