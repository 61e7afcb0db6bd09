// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string_view>

namespace ferrotap {

// CRC-32 as in zlib and Ethernet (reflected polynomial 0xEDB88320, initial value and final XOR
// 0xFFFFFFFF). Pass the previous result as `crc` to continue over a further piece.
uint32_t Crc32(std::string_view data, uint32_t crc = 0);

}  // namespace ferrotap
