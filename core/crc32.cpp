// SPDX-License-Identifier: MIT
#include "core/crc32.h"

#include <array>
#include <cstddef>

namespace ferrotap {
namespace {

// Eight tables: eight bytes per step ("slicing by 8"), several times faster than one table, which
// keeps reading a capture log far from the disk's speed limit.
using Tables = std::array<std::array<uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
  Tables tables{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t crc = n;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1) ? 0xEDB88320u : 0);
    tables[0][n] = crc;
  }
  for (std::size_t n = 0; n < 256; ++n) {
    for (std::size_t t = 1; t < 8; ++t) {
      const uint32_t previous = tables[t - 1][n];
      tables[t][n] = (previous >> 8) ^ tables[0][previous & 0xFF];
    }
  }
  return tables;
}

constexpr Tables kTables = MakeTables();

}  // namespace

uint32_t Crc32(std::string_view data, uint32_t crc) {
  crc = ~crc;
  const auto* p = reinterpret_cast<const unsigned char*>(data.data());
  std::size_t size = data.size();
  while (size >= 8) {
    const uint32_t low = crc ^ (uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                                uint32_t{p[3]} << 24);
    crc = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^ kTables[5][(low >> 16) & 0xFF] ^
          kTables[4][low >> 24] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^
          kTables[0][p[7]];
    p += 8;
    size -= 8;
  }
  while (size-- > 0) crc = (crc >> 8) ^ kTables[0][(crc ^ *p++) & 0xFF];
  return ~crc;
}

}  // namespace ferrotap
