#include "state/SettingsFile.h"

#include "state/ProgramFolder.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "state/GbkText.h"
#include "state/IniFile.h"

namespace lumiq {

namespace {

constexpr const char* kFileName = "CFG.ini";
constexpr const char* kSection = "CFG";
constexpr const char* kMissingValue = "0";

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

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

// Creates the folder and its missing parents, private to the user as the XDG
// base directory rules ask. True when it exists afterwards.
bool MakeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1); ; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/')
        return found->pw_dir;
    return {};
}

}  // namespace

SettingsFile::SettingsFile(std::string programDir, std::string configDir)
    : programDir_(std::move(programDir)), configDir_(std::move(configDir)) {}

SettingsFile SettingsFile::ForThisProgram() {
    const std::string programDir = ProgramFolder();
    const std::string configDir = UserConfigDir();
    // An installed copy lives among the system's programs (/usr/bin), which
    // root could write to but which is no place for an operator's settings:
    // it keeps CFG.ini in the configuration folder. It is recognised by the
    // data folder its installation puts beside its own.
    if (!programDir.empty() && !configDir.empty() && IsDirectory(JoinPath(programDir, LUMIQ_DATADIR_FROM_BINDIR)))
        return SettingsFile(std::string(), configDir);
    return SettingsFile(programDir, configDir);
}

std::string SettingsFile::UserConfigDir() {
    // The XDG rules ignore a relative XDG_CONFIG_HOME.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return JoinPath(xdg, "lumiq-config");
    const std::string home = HomeFolder();
    if (home.empty()) return {};
    return JoinPath(JoinPath(home, ".config"), "lumiq-config");
}

std::string SettingsFile::Path() const {
    // An installed program's folder (/usr/bin) is not writable by its user;
    // a file there is still read and, when possible, written.
    const std::string besideProgram = JoinPath(programDir_, kFileName);
    if (configDir_.empty()) return besideProgram;
    if (!programDir_.empty() && (Exists(besideProgram) || IsWritableFolder(programDir_)))
        return besideProgram;
    return JoinPath(configDir_, kFileName);
}

std::string SettingsFile::LoadSetting(const std::string& key) const {
    std::string stored = IniFile(Path()).ReadString(kSection, Utf8ToGbk(key), kMissingValue);
    // A value cut at the byte limit may end in half a character.
    if (stored.size() == kProfileValueLimit) stored.resize(GbkWholeCharactersLength(stored));
    return GbkToUtf8(stored);
}

void SettingsFile::SaveSetting(const std::string& key, const std::string& value) const {
    const std::string path = Path();
    if (!configDir_.empty() && path == JoinPath(configDir_, kFileName) && !MakeFolders(configDir_))
        throw std::runtime_error("Unable to write to " + path);
    // The Windows tool wrote its ANSI code page; files stay exchangeable.
    IniFile(path).WriteString(kSection, Utf8ToGbk(key), Utf8ToGbk(value));
}

}  // namespace lumiq
