// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>

namespace ferrotap::bench {

// Byte i of a flood: every value, in an order that a lost or repeated block shows up in.
inline char FloodByte(std::size_t i) {
  return static_cast<char>((i * 131 + i / 251) & 0xFF);
}

// Packet i of a decoding flood, valid under the default protocol: STX, ID 1, LEN 13, CMD, 11
// data bytes, CKS.
inline std::string FloodPacket(std::size_t i) {
  std::string body = {1, 13, static_cast<char>(0x10 + i % 8)};
  for (std::size_t k = 0; k < 11; ++k) body.push_back(FloodByte(i * 11 + k));
  unsigned sum = 0;
  for (unsigned char c : body) sum += c;
  return "\x02" + body + static_cast<char>(sum & 0xFF);
}

// The line a user must see for packet i, written out here rather than by the decoder.
inline std::string FloodPacketLine(std::size_t i, const std::string& lineBreak) {
  char head[32];
  std::snprintf(head, sizeof head, "ID=01 COM=%02X  DATA(Hex)= ",
                static_cast<unsigned>(0x10 + i % 8));
  std::string line = head;
  for (std::size_t k = 0; k < 11; ++k) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X ", static_cast<unsigned char>(FloodByte(i * 11 + k)));
    line += hex;
  }
  return line + lineBreak;
}

}  // namespace ferrotap::bench
