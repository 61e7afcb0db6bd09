// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ferrotap {

// Key=Value settings lines, read by position rather than by key.
std::string ValueAfterEquals(std::string_view line);
bool IsTrueText(std::string_view text);
std::string BoolText(bool flag);
bool EqualIgnoringCase(std::string_view a, std::string_view b);

// The whole integer a settings value holds, or false (the value is then left alone).
bool ParseIntegerValue(std::string_view text, int& value);

// Settings and table files are small; anything larger is not one of ours.
inline constexpr std::size_t kMaxTextFileBytes = 16 << 20;

// Settings files end lines with CR LF; LF alone reads the same. Only a regular file of at most
// kMaxTextFileBytes is read; writing replaces the file atomically. Errors throw FileError naming
// the action, the file and the system's reason.
std::vector<std::string> ReadTextLines(const std::string& path);
std::vector<std::string> SplitTextLines(std::string_view content);
void WriteTextLines(const std::string& path, const std::vector<std::string>& lines);

// A message about a file's contents: the text as it stands, then the file and, when `line` is not
// 0, the line it concerns, so the user knows where to look.
std::string FileMessage(std::string_view text, const std::string& path, std::size_t line = 0);

}  // namespace ferrotap
