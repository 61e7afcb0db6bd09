// SPDX-License-Identifier: MIT
// The escape decoder: any text decodes without fault, and a byte string written in any mix of the
// escapes ("$xx", "#ddd", "^x", plain) decodes back to itself.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_check.h"
#include "simulation/escape.h"

namespace {

std::string Escaped(unsigned char byte, int how) {
  char buffer[8];
  switch (how % 4) {
    case 0:
      std::snprintf(buffer, sizeof buffer, how & 4 ? "$%02x" : "$%02X", byte);
      return buffer;
    case 1:
      std::snprintf(buffer, sizeof buffer, "#%03u", byte);
      return buffer;
    case 2:
      if ((byte & 0x40) == 0) return std::string("^") + static_cast<char>(byte | 0x40);
      [[fallthrough]];
    default:
      if (byte != '$' && byte != '#' && byte != '^') return std::string(1, static_cast<char>(byte));
      std::snprintf(buffer, sizeof buffer, "$%02X", byte);
      return buffer;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ferrotap;
  FuzzedDataProvider input(data, size);
  const std::string text = input.ConsumeRandomLengthString(256);
  const EscapedStringResult any = DecodeEscapedString(text);
  FUZZ_CHECK(any.bytes.size() <= text.size());
  if (!any.ok()) FUZZ_CHECK(text.find(any.malformed) != std::string::npos);
  (void)DecodeEscapedChar(text);

  Bytes bytes;
  std::string written;
  while (input.remaining_bytes() >= 2) {
    const auto byte = input.ConsumeIntegral<unsigned char>();
    bytes.push_back(static_cast<char>(byte));
    written += Escaped(byte, input.ConsumeIntegral<unsigned char>());
  }
  const EscapedStringResult back = DecodeEscapedString(written);
  FUZZ_CHECK(back.ok());
  FUZZ_CHECK(back.bytes == bytes);
  return 0;
}
