#pragma once
// The settings file CFG.ini, section "CFG". Every read, and every save, is a
// pass of its own over the file; nothing is cached between them.

#include <string>
#include <vector>

#include "state/IniFile.h"

namespace lumiq {

class SettingsFile {
public:
    // programDir: the folder of the program file. configDir: the user's
    // configuration folder for this program (used when programDir cannot hold
    // the file).
    SettingsFile(std::string programDir, std::string configDir);

    // For the running program: its own folder, and $XDG_CONFIG_HOME/lumiq-config
    // (or ~/.config/lumiq-config). An installed copy (its data folder
    // share/lumiq-config lies beside its bin folder) uses the configuration
    // folder only.
    static SettingsFile ForThisProgram();

    // $XDG_CONFIG_HOME/lumiq-config when that variable holds an absolute path,
    // else ~/.config/lumiq-config ($HOME, or the password database's home).
    // Empty when no home folder is known.
    static std::string UserConfigDir();

    // CFG.ini beside the program when it exists there or that folder is
    // writable, otherwise in the configuration folder. Built afresh each call.
    std::string Path() const;

    // The configuration folder given; other files of the user's settings
    // (adapter.ini) live there.
    const std::string& ConfigDir() const { return configDir_; }

    // The stored value, blanks around it dropped; "0" when the file, the
    // section or the key is missing.
    std::string LoadSetting(const std::string& key) const;

    // Writes the value (UTF-8; stored as GBK). Creates file and section when
    // missing and keeps every other line. The file is replaced atomically, so
    // a failed save never leaves it truncated. Throws std::runtime_error
    // "Unable to write to <path>".
    void SaveSetting(const std::string& key, const std::string& value) const;

    // Writes the keys and values (UTF-8) in order with one replacement of
    // the file: all of them, or, when the save fails, none. Throws as
    // SaveSetting does.
    void SaveSettings(const std::vector<IniValue>& values) const;

private:
    std::string programDir_;
    std::string configDir_;
};

} // namespace lumiq
