#pragma once
// The user's own folders under the XDG base directory rules: the home
// folder, and the configuration and state folders of this program.

#include <string>

namespace lumiq {

// $HOME when it is absolute, else the password database's home; empty when
// neither names one.
std::string HomeFolder();

// $<variable>/lumiq-config when the variable holds an absolute path (the
// rules ignore a relative one), else ~/<belowHome>/lumiq-config; empty
// without a home. XdgProgramFolder("XDG_STATE_HOME", ".local/state").
std::string XdgProgramFolder(const char* variable, const std::string& belowHome);

// "folder/name", with no doubled slash.
std::string JoinPath(const std::string& folder, const std::string& name);

// Creates the folder and its missing parents, private to the user as the
// rules ask. True when it exists afterwards.
bool MakeFolders(const std::string& folder);

} // namespace lumiq
