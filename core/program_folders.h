// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace ferrotap {

// Where the program keeps Port_CFG.cps and reads ports.map, and where its file dialogs open.
// Both end with '/'.
struct ProgramFolders {
  std::string settings;
  std::string dialogs;

  bool operator==(const ProgramFolders&) const = default;
};

// The environment that decides where an installed program keeps its files.
struct UserEnvironment {
  std::string xdgConfigHome;  // $XDG_CONFIG_HOME, may be empty
  std::string home;           // $HOME, or the account's home folder when that is unset
  std::string xdgCacheHome;   // $XDG_CACHE_HOME, may be empty
};

UserEnvironment CurrentUserEnvironment();

// True when this user may create files in the folder. A folder that nobody may write is read-only
// for root too, as whoever made it so meant.
bool IsWritableFolder(const std::string& folder);

// "ferrotap" in $XDG_CONFIG_HOME, or in ~/.config when that is unset or not absolute.
std::string UserConfigFolder(const UserEnvironment& environment);

// "ferrotap" in $XDG_CACHE_HOME, or in ~/.cache when that is unset or not absolute; made when
// missing. Ends with '/'.
std::string UserCacheFolder(const UserEnvironment& environment);

// The program's own folder for both, as long as it is writable and not the folder the package
// installs into (a root user could write there, but it holds programs only). Otherwise the user's
// config folder, made when missing, for the settings and the home folder for the dialogs.
// systemProgramFolder is that install folder ("/usr/bin"); empty for none.
ProgramFolders ChooseProgramFolders(const std::string& programFolder,
                                    const UserEnvironment& environment,
                                    const std::string& systemProgramFolder);

}  // namespace ferrotap
