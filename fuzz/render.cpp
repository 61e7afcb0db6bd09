// SPDX-License-Identifier: MIT
// The renderings: HEX, DEC and BIN read back to the bytes rendered, every format has its length,
// and a header field reads back to its byte.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/render.h"
#include "fuzz/fuzz_check.h"

namespace {

using ferrotap::Bytes;
using ferrotap::DisplayFormat;

// Blank-separated numbers of the given base and width back to bytes.
Bytes ReadBack(const std::string& text, int base, std::size_t width) {
  Bytes bytes;
  for (std::size_t i = 0; i + width < text.size() + 1; i += width + 1) {
    FUZZ_CHECK(text[i + width] == ' ');
    const unsigned long value = std::stoul(text.substr(i, width), nullptr, base);
    FUZZ_CHECK(value < 256);
    bytes.push_back(static_cast<char>(value));
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ferrotap;
  const Bytes bytes(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(RenderBytes(DisplayFormat::Ascii, bytes) == bytes);
  FUZZ_CHECK(RenderBytes(DisplayFormat::NoFormat, bytes).empty());
  std::size_t controls = 0;
  for (unsigned char b : bytes) controls += b < 0x20;
  FUZZ_CHECK(RenderBytes(DisplayFormat::AsciiFilt, bytes).size() == size + 2 * controls);

  const struct {
    DisplayFormat format;
    int base;
    std::size_t width;
  } numeric[] = {
      {DisplayFormat::Hex, 16, 2}, {DisplayFormat::Dec, 10, 3}, {DisplayFormat::Bin, 2, 8}};
  for (const auto& f : numeric) {
    const std::string text = RenderBytes(f.format, bytes);
    FUZZ_CHECK(text.size() == size * (f.width + 1));
    FUZZ_CHECK(ReadBack(text, f.base, f.width) == bytes);
    if (size > 0) {
      const auto first = static_cast<unsigned char>(bytes[0]);
      FUZZ_CHECK(std::stoul(FormatFieldNumber(f.format, first), nullptr, f.base) == first);
    }
  }
  return 0;
}
