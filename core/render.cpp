// SPDX-License-Identifier: MIT
#include "core/render.h"

#include <array>
#include <cstring>

namespace ferrotap {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& out, unsigned char b) {
  out.push_back(kHexDigits[b >> 4]);
  out.push_back(kHexDigits[b & 0x0F]);
}

void AppendBinary(std::string& out, unsigned char b) {
  for (int bit = 7; bit >= 0; --bit) out.push_back(((b >> bit) & 1) ? '1' : '0');
}

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

template <std::size_t Width>
void AppendFixed(std::string& out, const CellTable<Width>& table, std::string_view bytes) {
  constexpr std::size_t kPadded = CellTable<Width>::kPadded;
  const std::size_t start = out.size();
  out.resize(start + bytes.size() * Width + kPadded);
  char* p = out.data() + start;
  for (unsigned char b : bytes) {
    std::memcpy(p, table.cells[b].data(), kPadded);
    p += Width;
  }
  out.resize(start + bytes.size() * Width);
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
  switch (format) {
    case DisplayFormat::Ascii:
      out += bytes;
      break;
    case DisplayFormat::AsciiFilt: {
      const std::size_t start = out.size();
      out.resize(start + bytes.size() * 3);
      char* p = out.data() + start;
      for (unsigned char b : bytes) {
        if (b >= 0x20) {
          *p++ = static_cast<char>(b);
        } else {
          *p++ = '$';
          *p++ = kHexDigits[b >> 4];
          *p++ = kHexDigits[b & 0x0F];
        }
      }
      out.resize(static_cast<std::size_t>(p - out.data()));
      break;
    }
    case DisplayFormat::Hex:
      AppendFixed(out, kHexCells, bytes);
      break;
    case DisplayFormat::Dec:
      AppendFixed(out, kDecCells, bytes);
      break;
    case DisplayFormat::Bin:
      AppendFixed(out, kBinCells, bytes);
      break;
    case DisplayFormat::NoFormat:
      break;
  }
}

std::string FormatFieldNumber(DisplayFormat format, int value) {
  std::string out;
  AppendFieldNumber(out, format, value);
  return out;
}

void AppendFieldNumber(std::string& out, DisplayFormat format, int value) {
  const auto b = static_cast<unsigned char>(value & 0xFF);
  switch (format) {
    case DisplayFormat::Ascii:
      out.push_back(static_cast<char>(b));
      break;
    case DisplayFormat::AsciiFilt:
      if (b >= 0x20) {
        out.push_back(static_cast<char>(b));
      } else {
        AppendHex(out, b);
      }
      break;
    case DisplayFormat::Hex:
      AppendHex(out, b);
      break;
    case DisplayFormat::Dec:
      if (b >= 100) out.push_back(static_cast<char>('0' + b / 100));
      if (b >= 10) out.push_back(static_cast<char>('0' + (b / 10) % 10));
      out.push_back(static_cast<char>('0' + b % 10));
      break;
    case DisplayFormat::Bin:
      AppendBinary(out, b);
      break;
    case DisplayFormat::NoFormat:
      break;
  }
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
