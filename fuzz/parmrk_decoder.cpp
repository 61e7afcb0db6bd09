// SPDX-License-Identifier: MIT
// Bytes from the line with the tty's error marks: decoding in pieces of any size gives what
// decoding in one go gives, and data escaped as the tty escapes it, with breaks marked between
// bytes, comes back exactly, with the break reported.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "serial/parmrk_decoder.h"
#include "serial/serial_types.h"

namespace {

std::string Decode(std::string bytes, std::size_t piece, bool parity, uint8_t& errors) {
  ferrotap::ParmrkDecoder decoder;
  std::string out;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    const std::size_t size = std::min(piece, bytes.size() - at);
    out.append(bytes.data() + at, decoder.Decode(bytes.data() + at, size, parity, errors));
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t piece = data[0] % 7 + 1;
  const bool parity = (data[1] & 1) != 0;
  const std::string line(reinterpret_cast<const char*>(data + 2), size - 2);

  uint8_t whole = 0;
  uint8_t pieces = 0;
  const std::string once = Decode(line, line.size() + 1, parity, whole);
  FUZZ_CHECK(Decode(line, piece, parity, pieces) == once);
  FUZZ_CHECK(whole == pieces);
  FUZZ_CHECK(once.size() <= line.size());

  std::string marked;
  bool breaks = false;
  for (const char c : line) {
    marked += c;
    if (c == '\xff') marked += c;
    if (static_cast<uint8_t>(c) % 13 == 0) {
      marked += std::string("\xff\0\0", 3);
      breaks = true;
    }
  }
  uint8_t errors = 0;
  FUZZ_CHECK(Decode(marked, piece, parity, errors) == line);
  FUZZ_CHECK(errors == (breaks ? ferrotap::kLineBreak : 0));
  return 0;
}
