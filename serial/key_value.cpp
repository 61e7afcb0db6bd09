#include "serial/key_value.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace ferrotap {
namespace {

constexpr std::size_t kMaxValueLength = 10000;

std::runtime_error FileError(const char* action, const std::string& path) {
  return std::runtime_error(std::string("Cannot ") + action + " file \"" + path +
                            "\": " + std::strerror(errno));
}

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

bool ParseIntegerValue(std::string_view text, int& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  int parsed = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  value = parsed;
  return true;
}

std::vector<std::string> ReadTextLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError("open", path);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw FileError("read", path);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    auto end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

void WriteTextLines(const std::string& path, const std::vector<std::string>& lines) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw FileError("create", path);
  for (const auto& line : lines) out << line << "\r\n";
  out.flush();
  if (!out) throw FileError("write", path);
}

}  // namespace ferrotap
