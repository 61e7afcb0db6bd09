// SPDX-License-Identifier: MIT
#include "core/printable_text.h"

namespace ferrotap {
namespace {

// Length of the well-formed UTF-8 sequence of two to four bytes at the front of s, or 0.
std::size_t Utf8SequenceLength(std::string_view s) {
  const auto lead = static_cast<unsigned char>(s[0]);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xBF)) return 0;
  }
  return length;
}

}  // namespace

constexpr char kHex[] = "0123456789ABCDEF";

void AppendEscaped(std::string& out, unsigned char c) {
  out += '$';
  out += kHex[c >> 4];
  out += kHex[c & 0x0F];
}

std::string PrintableText(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    const auto c = static_cast<unsigned char>(bytes[0]);
    std::size_t take = c >= 0x20 && c < 0x7F ? 1 : (c >= 0x80 ? Utf8SequenceLength(bytes) : 0);
    if (take > 0) {
      out.append(bytes.substr(0, take));
    } else {
      AppendEscaped(out, c);
      take = 1;
    }
    bytes.remove_prefix(take);
  }
  return out;
}

std::string PrintableLatin1(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (char ch : latin1) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c < 0x7F) {
      out += ch;
    } else if (c >= 0xA0) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      AppendEscaped(out, c);
    }
  }
  return out;
}

}  // namespace ferrotap
