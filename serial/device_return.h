// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace ferrotap {

// Links in dir (normally /dev/serial/by-id) that lead to the same device as path: the names
// under which a device that went away is known when it comes back, perhaps under another node.
std::vector<std::string> StableLinks(const std::string& path, const std::string& dir);

// The path to open again for a lost device: path itself when a device is there again, else the
// first of links that leads to one; empty while none is back. Nothing is opened to find out.
std::string ReturnedDevicePath(const std::string& path, const std::vector<std::string>& links);

}  // namespace ferrotap
