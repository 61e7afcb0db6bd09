// SPDX-License-Identifier: MIT
#include "core/render.h"

#include <array>
#include <cstring>

namespace ferrotap {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Every byte's rendering with its trailing blank, made once; cells are padded to a power of two
// so that one fixed-size copy writes a cell and the next cell's copy overwrites the padding.
template <std::size_t Width>
struct CellTable {
  static constexpr std::size_t kPadded = Width <= 4 ? 4 : 16;
  std::array<std::array<char, kPadded>, 256> cells{};
};

template <std::size_t Width, typename Fill>
constexpr CellTable<Width> MakeCells(Fill fill) {
  CellTable<Width> table{};
  for (std::size_t b = 0; b < 256; ++b) {
    fill(static_cast<unsigned char>(b), table.cells[b].data());
    table.cells[b][Width - 1] = ' ';
  }
  return table;
}

constexpr CellTable<3> kHexCells = MakeCells<3>([](unsigned char b, char* cell) {
  cell[0] = kHexDigits[b >> 4];
  cell[1] = kHexDigits[b & 0x0F];
});

constexpr CellTable<4> kDecCells = MakeCells<4>([](unsigned char b, char* cell) {
  cell[0] = static_cast<char>('0' + b / 100);
  cell[1] = static_cast<char>('0' + (b / 10) % 10);
  cell[2] = static_cast<char>('0' + b % 10);
});

constexpr CellTable<9> kBinCells = MakeCells<9>([](unsigned char b, char* cell) {
  for (int bit = 7; bit >= 0; --bit) cell[7 - bit] = ((b >> bit) & 1) ? '1' : '0';
});

// The room a format's rendering of `count` bytes needs, with a cell's padding: the string is
// filled before it is written, so the widest format's bound would cost a clear of three times
// the rendering for HEX.
std::size_t RoomFor(DisplayFormat format, std::size_t count) {
  switch (format) {
    case DisplayFormat::Ascii:
      return count;
    case DisplayFormat::AsciiFilt:
    case DisplayFormat::Hex:
      return count * 3 + 16;
    case DisplayFormat::Dec:
      return count * 4 + 16;
    case DisplayFormat::Bin:
    case DisplayFormat::NoFormat:
      break;
  }
  return RenderedBytesBound(count);
}

template <std::size_t Width>
char* PutFixed(char* p, const CellTable<Width>& table, std::string_view bytes) {
  for (unsigned char b : bytes) {
    std::memcpy(p, table.cells[b].data(), CellTable<Width>::kPadded);
    p += Width;
  }
  return p;
}

}  // namespace

DisplayFormat DisplayFormatFromIndex(int index) {
  if (index < 0 || index > static_cast<int>(DisplayFormat::Bin)) return DisplayFormat::NoFormat;
  return static_cast<DisplayFormat>(index);
}

std::string RenderBytes(DisplayFormat format, const Bytes& bytes) {
  std::string out;
  AppendRenderedBytes(out, format, bytes);
  return out;
}

void AppendRenderedBytes(std::string& out, DisplayFormat format, std::string_view bytes) {
  const std::size_t start = out.size();
  out.resize(start + RoomFor(format, bytes.size()));
  char* end = PutRenderedBytes(out.data() + start, format, bytes);
  out.resize(static_cast<std::size_t>(end - out.data()));
}

char* PutRenderedBytes(char* p, DisplayFormat format, std::string_view bytes) {
  switch (format) {
    case DisplayFormat::Ascii:
      std::memcpy(p, bytes.data(), bytes.size());
      return p + bytes.size();
    case DisplayFormat::AsciiFilt:
      for (unsigned char b : bytes) {
        if (b >= 0x20) {
          *p++ = static_cast<char>(b);
        } else {
          *p++ = '$';
          *p++ = kHexDigits[b >> 4];
          *p++ = kHexDigits[b & 0x0F];
        }
      }
      return p;
    case DisplayFormat::Hex:
      return PutFixed(p, kHexCells, bytes);
    case DisplayFormat::Dec:
      return PutFixed(p, kDecCells, bytes);
    case DisplayFormat::Bin:
      return PutFixed(p, kBinCells, bytes);
    case DisplayFormat::NoFormat:
      break;
  }
  return p;
}

std::string FormatFieldNumber(DisplayFormat format, int value) {
  std::string out;
  AppendFieldNumber(out, format, value);
  return out;
}

void AppendFieldNumber(std::string& out, DisplayFormat format, int value) {
  char cell[kFieldNumberBound];
  out.append(cell, static_cast<std::size_t>(PutFieldNumber(cell, format, value) - cell));
}

char* PutFieldNumber(char* p, DisplayFormat format, int value) {
  const auto b = static_cast<unsigned char>(value & 0xFF);
  switch (format) {
    case DisplayFormat::Ascii:
      *p++ = static_cast<char>(b);
      break;
    case DisplayFormat::AsciiFilt:
      if (b >= 0x20) {
        *p++ = static_cast<char>(b);
        break;
      }
      [[fallthrough]];
    case DisplayFormat::Hex:
      *p++ = kHexDigits[b >> 4];
      *p++ = kHexDigits[b & 0x0F];
      break;
    case DisplayFormat::Dec:
      if (b >= 100) *p++ = static_cast<char>('0' + b / 100);
      if (b >= 10) *p++ = static_cast<char>('0' + (b / 10) % 10);
      *p++ = static_cast<char>('0' + b % 10);
      break;
    case DisplayFormat::Bin:
      std::memcpy(p, kBinCells.cells[b].data(), 8);
      p += 8;
      break;
    case DisplayFormat::NoFormat:
      break;
  }
  return p;
}

std::string FormatName(DisplayFormat format) {
  switch (format) {
    case DisplayFormat::Ascii:
      return "ASC";
    case DisplayFormat::AsciiFilt:
      return "ASCflt";
    case DisplayFormat::Hex:
      return "Hex";
    case DisplayFormat::Dec:
      return "Dec";
    case DisplayFormat::Bin:
      return "Bin";
    case DisplayFormat::NoFormat:
      break;
  }
  return {};
}

}  // namespace ferrotap
