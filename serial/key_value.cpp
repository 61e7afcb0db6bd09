// SPDX-License-Identifier: MIT
#include "serial/key_value.h"

#include <cctype>
#include <charconv>

#include "core/printable_text.h"
#include "core/safe_file.h"

namespace ferrotap {
namespace {

constexpr std::size_t kMaxValueLength = 10000;

}  // namespace

std::string ValueAfterEquals(std::string_view line) {
  const auto eq = line.find('=');
  if (eq == std::string_view::npos) return {};
  return std::string(line.substr(eq + 1, kMaxValueLength));
}

bool IsTrueText(std::string_view text) {
  if (text.size() != 4) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) != "TRUE"[i]) return false;
  }
  return true;
}

std::string BoolText(bool flag) {
  return flag ? "True" : "False";
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool ParseIntegerValue(std::string_view text, int& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  // from_chars takes a '-' but no '+': drop a '+' only where no second sign follows ("+-5").
  if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
  int parsed = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  value = parsed;
  return true;
}

std::vector<std::string> SplitTextLines(std::string_view content) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    auto end = content.find('\n', start);
    if (end == std::string_view::npos) end = content.size();
    std::string line(content.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> ReadTextLines(const std::string& path) {
  return SplitTextLines(ReadRegularFile(path, kMaxTextFileBytes));
}

void WriteTextLines(const std::string& path, const std::vector<std::string>& lines) {
  AtomicFileWriter out(path);
  for (const auto& line : lines) {
    out.Write(line);
    out.Write("\r\n");
  }
  out.Commit();
}

std::string FileMessage(std::string_view text, const std::string& path, std::size_t line) {
  std::string message = std::string(text) + " (" + PrintableText(path);
  if (line != 0) message += ", line " + std::to_string(line);
  return message + ")";
}

}  // namespace ferrotap
