// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/bytes.h"

namespace ferrotap {

// Index of an item in a display-format selector; NoFormat when the user typed free text.
enum class DisplayFormat : int { NoFormat = -1, Ascii = 0, AsciiFilt, Hex, Dec, Bin };

DisplayFormat DisplayFormatFromIndex(int index);

// Whole-string rendering: HEX, DEC and BIN end every byte with a blank.
std::string RenderBytes(DisplayFormat format, const Bytes& bytes);
// The same rendering appended to `out`, for writers that build a whole line at once.
void AppendRenderedBytes(std::string& out, DisplayFormat format, std::string_view bytes);
// Room PutRenderedBytes needs for `count` bytes: the widest rendering and a cell's padding.
constexpr std::size_t RenderedBytesBound(std::size_t count) {
  return count * 9 + 16;
}
// Writes the rendering at p, which has RenderedBytesBound room; returns the end of what it wrote.
char* PutRenderedBytes(char* p, DisplayFormat format, std::string_view bytes);

// One value (0..255) without separator, as the decoder writes header fields.
std::string FormatFieldNumber(DisplayFormat format, int value);
void AppendFieldNumber(std::string& out, DisplayFormat format, int value);
// At most this many characters: eight binary digits.
inline constexpr std::size_t kFieldNumberBound = 8;
char* PutFieldNumber(char* p, DisplayFormat format, int value);

// Short label of a format ("Hex", ...), empty when no format is selected.
std::string FormatName(DisplayFormat format);

}  // namespace ferrotap
