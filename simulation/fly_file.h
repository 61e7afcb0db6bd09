// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace ferrotap {

// A .fly file keeps the typed transmit string, escapes undecoded, as its one line; lines after
// the first are ignored and an empty file reads as an empty string.
std::string ReadFlyLines(const std::vector<std::string>& lines);
std::vector<std::string> WriteFlyLines(const std::string& text);

}  // namespace ferrotap
