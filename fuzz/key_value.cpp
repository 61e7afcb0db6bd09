// SPDX-License-Identifier: MIT
// The Key=Value helpers and the line splitter against naive models of their rules.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "serial/key_value.h"

namespace {

std::vector<std::string> NaiveLines(std::string_view content) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : content) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) {
    if (line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Blanks, at most one sign, decimal digits, and an int's range.
bool NaiveInteger(std::string_view text, int& value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  long long magnitude = 0;
  for (; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    magnitude = std::min<long long>(magnitude * 10 + (text[i] - '0'), 1LL << 40);
  }
  const long long signedValue = negative ? -magnitude : magnitude;
  if (signedValue < INT32_MIN || signedValue > INT32_MAX) return false;
  value = static_cast<int>(signedValue);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ferrotap;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(SplitTextLines(text) == NaiveLines(text));

  const auto eq = text.find('=');
  const std::string value = ValueAfterEquals(text);
  FUZZ_CHECK(eq == std::string_view::npos ? value.empty() : value == text.substr(eq + 1, 10000));

  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  FUZZ_CHECK(IsTrueText(text) == (upper == "TRUE"));

  int got = 12345;
  int expected = 12345;
  const bool ok = ParseIntegerValue(text, got);
  FUZZ_CHECK(ok == NaiveInteger(text, expected));
  FUZZ_CHECK(got == expected);
  return 0;
}
