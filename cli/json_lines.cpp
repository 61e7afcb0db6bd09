// SPDX-License-Identifier: MIT
#include "cli/json_lines.h"

namespace ferrotap {
namespace {

void AppendHex(std::string& out, const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const std::size_t at = out.size();
  out.resize(at + 2 * bytes.size());
  char* p = out.data() + at;
  for (const unsigned char c : bytes) {
    *p++ = kDigits[c >> 4];
    *p++ = kDigits[c & 15];
  }
}

std::string Head(SessionPort port, std::chrono::system_clock::time_point time) {
  const int64_t us =
      std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count();
  std::string fraction = std::to_string(us % 1000000);
  fraction.insert(0, 6 - fraction.size(), '0');
  return std::string("{\"port\":\"") + PortLetter(port) + "\",\"time\":" +
         std::to_string(us / 1000000) + "." + fraction;
}

std::string Number(int value) {
  return value < 0 ? "null" : std::to_string(value);
}

const char* ChecksumText(ChecksumCheck check) {
  switch (check) {
    case ChecksumCheck::Ok:
      return "\"ok\"";
    case ChecksumCheck::Error:
      return "\"error\"";
    case ChecksumCheck::Missing:
      return "\"missing\"";
    case ChecksumCheck::Unused:
      break;
  }
  return "null";
}

}  // namespace

std::string JsonBytesLine(SessionPort port, std::chrono::system_clock::time_point time,
                          const Bytes& bytes) {
  std::string line = Head(port, time);
  line.reserve(line.size() + 2 * bytes.size() + 16);
  line += ",\"bytes\":\"";
  AppendHex(line, bytes);
  line += "\"}\n";
  return line;
}

std::string JsonPacketLine(SessionPort port, std::chrono::system_clock::time_point time,
                           const DecodedPacket& packet) {
  std::string line = Head(port, time) + ",\"stx\":" + Number(packet.stx) +
                     ",\"id\":" + Number(packet.id) + ",\"len\":" + Number(packet.len) +
                     ",\"cmd\":" + Number(packet.cmd) + ",\"data\":\"";
  AppendHex(line, packet.data);
  line += std::string("\",\"cks\":") + ChecksumText(packet.checksum) +
          ",\"range\":" + (packet.inRange ? "\"ok\"" : "\"out\"") + "}\n";
  return line;
}

}  // namespace ferrotap
