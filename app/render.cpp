#include "app/render.h"

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

void AppendDec3(std::string& out, unsigned char b) {
  out.push_back(static_cast<char>('0' + b / 100));
  out.push_back(static_cast<char>('0' + (b / 10) % 10));
  out.push_back(static_cast<char>('0' + b % 10));
}

}  // namespace

DisplayFormat DisplayFormatFromIndex(int index) {
  if (index < 0 || index > static_cast<int>(DisplayFormat::Bin)) return DisplayFormat::NoFormat;
  return static_cast<DisplayFormat>(index);
}

std::string RenderBytes(DisplayFormat format, const Bytes& bytes) {
  std::string out;
  switch (format) {
    case DisplayFormat::Ascii:
      return bytes;
    case DisplayFormat::AsciiFilt:
      out.reserve(bytes.size() * 2);
      for (unsigned char b : bytes) {
        if (b >= 0x20) {
          out.push_back(static_cast<char>(b));
        } else {
          out.push_back('$');
          AppendHex(out, b);
        }
      }
      return out;
    case DisplayFormat::Hex:
      out.reserve(bytes.size() * 3);
      for (unsigned char b : bytes) {
        AppendHex(out, b);
        out.push_back(' ');
      }
      return out;
    case DisplayFormat::Dec:
      out.reserve(bytes.size() * 4);
      for (unsigned char b : bytes) {
        AppendDec3(out, b);
        out.push_back(' ');
      }
      return out;
    case DisplayFormat::Bin:
      out.reserve(bytes.size() * 9);
      for (unsigned char b : bytes) {
        AppendBinary(out, b);
        out.push_back(' ');
      }
      return out;
    case DisplayFormat::NoFormat:
      break;
  }
  return out;
}

std::string FormatFieldNumber(DisplayFormat format, int value) {
  const auto b = static_cast<unsigned char>(value & 0xFF);
  std::string out;
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
      out = std::to_string(b);
      break;
    case DisplayFormat::Bin:
      AppendBinary(out, b);
      break;
    case DisplayFormat::NoFormat:
      break;
  }
  return out;
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
