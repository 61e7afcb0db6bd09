// SPDX-License-Identifier: MIT
#include "serial/device_return.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace ferrotap {
namespace {

// A character device we may read and write. Opening a port to test it would toggle its modem
// lines, so it is only looked at.
bool DevicePresent(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode) &&
         ::access(path.c_str(), R_OK | W_OK) == 0;
}

}  // namespace

std::vector<std::string> StableLinks(const std::string& path, const std::string& dir) {
  namespace fs = std::filesystem;
  std::vector<std::string> links;
  std::error_code error;
  const fs::path target = fs::canonical(path, error);
  if (error) return links;
  for (const auto& entry : fs::directory_iterator(dir, error)) {
    std::error_code linkError;
    if (!entry.is_symlink(linkError)) continue;
    const std::string link = entry.path().string();
    if (link != path && fs::canonical(entry.path(), linkError) == target && !linkError) {
      links.push_back(link);
    }
  }
  return links;
}

std::string ReturnedDevicePath(const std::string& path, const std::vector<std::string>& links) {
  if (DevicePresent(path)) return path;
  for (const std::string& link : links) {
    if (DevicePresent(link)) return link;
  }
  return {};
}

}  // namespace ferrotap
