// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/bytes.h"

namespace ferrotap {

// "$xx = Hex   #xxx = dec   ^x = Ctrl x": the one syntax of every byte string the user types.
inline constexpr std::string_view kEscapeLegend = "$xx = Hex   #xxx = dec   ^x = Ctrl x";

struct EscapedStringResult {
  Bytes bytes;            // what decoded before the first failing escape (all of it on success)
  std::string malformed;  // the failing escape as cut from the input; empty on success
  bool ok() const { return malformed.empty(); }
};

// One escape such as "#2", "$02", "^B" or a plain character to one byte; nullopt when the text
// is none of these (an empty text included).
std::optional<std::uint8_t> DecodeEscapedChar(std::string_view spec);

EscapedStringResult DecodeEscapedString(std::string_view text);

// A table cell as it is decoded and saved: leading and trailing blanks and control characters
// (codes up to 0x20) dropped.
std::string_view TrimCell(std::string_view cell);

// The classic string-to-integer conversion: leading blanks, an optional sign, then decimal digits,
// or hexadecimal ones after "$", "x", "X", "0x" or "0X"; nothing may follow the number.
std::optional<long> ParseInteger(std::string_view text);

}  // namespace ferrotap
