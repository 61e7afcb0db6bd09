#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ferrotap {

// Key=Value settings lines, read by position rather than by key.
std::string ValueAfterEquals(std::string_view line);
bool IsTrueText(std::string_view text);
std::string BoolText(bool flag);

// The whole integer a settings value holds, or false (the value is then left alone).
bool ParseIntegerValue(std::string_view text, int& value);

// Settings files end lines with CR LF; LF alone reads the same. Errors throw std::runtime_error
// naming the file and the system's reason.
std::vector<std::string> ReadTextLines(const std::string& path);
void WriteTextLines(const std::string& path, const std::vector<std::string>& lines);

}  // namespace ferrotap
