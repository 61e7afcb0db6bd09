// SPDX-License-Identifier: MIT
#include "core/program_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace ferrotap {
namespace {

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool SameFolder(const std::string& a, const std::string& b) {
  std::error_code error;
  return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, error);
}

// Makes every missing folder of the path; a config folder is private to its user.
void MakeFolders(const std::string& folder) {
  std::string partial;
  for (std::size_t i = 1; i <= folder.size(); ++i) {
    if (i == folder.size() || folder[i] == '/') {
      partial = folder.substr(0, i);
      if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return;
    }
  }
}

}  // namespace

UserEnvironment CurrentUserEnvironment() {
  UserEnvironment environment{Variable("XDG_CONFIG_HOME"), Variable("HOME"),
                              Variable("XDG_CACHE_HOME")};
  if (environment.home.empty()) {
    if (const passwd* account = getpwuid(geteuid()); account != nullptr && account->pw_dir) {
      environment.home = account->pw_dir;
    }
  }
  return environment;
}

bool IsWritableFolder(const std::string& folder) {
  struct stat info {};
  if (folder.empty() || stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  // access() also sees read-only mounts and access lists, but lets root write anywhere: for root
  // a folder nobody may write is read-only all the same.
  if (access(folder.c_str(), W_OK | X_OK) != 0) return false;
  return geteuid() != 0 || (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

std::string UserConfigFolder(const UserEnvironment& environment) {
  const std::string& xdg = environment.xdgConfigHome;
  const std::string base = !xdg.empty() && xdg.front() == '/' ? xdg : environment.home + "/.config";
  return WithSlash(base) + "ferrotap";
}

std::string UserCacheFolder(const UserEnvironment& environment) {
  const std::string& xdg = environment.xdgCacheHome;
  const std::string base = !xdg.empty() && xdg.front() == '/' ? xdg : environment.home + "/.cache";
  const std::string folder = WithSlash(base) + "ferrotap";
  MakeFolders(folder);
  return WithSlash(folder);
}

ProgramFolders ChooseProgramFolders(const std::string& programFolder,
                                    const UserEnvironment& environment,
                                    const std::string& systemProgramFolder) {
  if (IsWritableFolder(programFolder) && !SameFolder(programFolder, systemProgramFolder)) {
    return {WithSlash(programFolder), WithSlash(programFolder)};
  }
  const std::string config = UserConfigFolder(environment);
  MakeFolders(config);
  const std::string home = environment.home.empty() ? "/" : environment.home;
  return {WithSlash(config), WithSlash(home)};
}

}  // namespace ferrotap
