// SPDX-License-Identifier: MIT
#include "simulation/escape.h"

#include <cctype>
#include <limits>

namespace ferrotap {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<long> ParseInteger(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return std::nullopt;
  long value = 0;
  for (; i < s.size(); ++i) {
    const int digit = base == 16
                          ? HexValue(s[i])
                          : (std::isdigit(static_cast<unsigned char>(s[i])) ? s[i] - '0' : -1);
    // A number too large for the conversion fails, as a non-number does.
    if (digit < 0 || value > (std::numeric_limits<long>::max() - digit) / base) return std::nullopt;
    value = value * base + digit;
  }
  return negative ? -value : value;
}

std::optional<std::uint8_t> DecodeEscapedChar(std::string_view spec) {
  if (spec.empty()) return std::nullopt;
  switch (spec[0]) {
    case '^':
      if (spec.size() < 2) return std::uint8_t{0};
      return static_cast<std::uint8_t>(static_cast<unsigned char>(spec[1]) & 0xBF);
    case '#': {
      const auto value = ParseInteger(spec.substr(1, 3));
      if (!value) return std::nullopt;
      return static_cast<std::uint8_t>(static_cast<unsigned long>(*value) & 0xFF);
    }
    case '$': {
      if (spec.size() < 3) return std::nullopt;
      const int high = HexValue(spec[1]);
      const int low = HexValue(spec[2]);
      if (high < 0 || low < 0) return std::nullopt;
      return static_cast<std::uint8_t>(high * 16 + low);
    }
    default:
      return static_cast<std::uint8_t>(spec[0]);
  }
}

EscapedStringResult DecodeEscapedString(std::string_view text) {
  EscapedStringResult result;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t width = 0;
    switch (text[pos]) {
      case '^':
        width = 2;
        break;
      case '#':
        width = 4;
        break;
      case '$':
        width = 3;
        break;
      default:
        result.bytes.push_back(text[pos]);
        ++pos;
        continue;
    }
    const std::string_view cut = text.substr(pos, width);
    const auto byte = DecodeEscapedChar(cut);
    if (!byte) {
      result.malformed = std::string(cut);
      return result;
    }
    result.bytes.push_back(static_cast<char>(*byte));
    pos += width;
  }
  return result;
}

std::string_view TrimCell(std::string_view cell) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (!cell.empty() && blank(cell.front())) cell.remove_prefix(1);
  while (!cell.empty() && blank(cell.back())) cell.remove_suffix(1);
  return cell;
}

}  // namespace ferrotap
