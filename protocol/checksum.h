// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ferrotap {

// The check a packet ends with. Sum8 is the classic sum modulo 256; the CRCs follow the parameters
// of the public CRC catalogue under the same names.
enum class ChecksumKind : std::uint8_t {
  Sum8,
  Xor8,
  Lrc8,  // two's complement of the sum modulo 256
  Crc8,  // poly 0x07, init 0
  Crc16Modbus,
  Crc16CcittFalse,
  Crc16Xmodem,
  Crc32,  // ISO-HDLC, as in Ethernet and zip
};

inline constexpr ChecksumKind kChecksumKinds[] = {
    ChecksumKind::Sum8,        ChecksumKind::Xor8,        ChecksumKind::Lrc8,
    ChecksumKind::Crc8,        ChecksumKind::Crc16Modbus, ChecksumKind::Crc16CcittFalse,
    ChecksumKind::Crc16Xmodem, ChecksumKind::Crc32};

// How a checksum wider than one byte is laid out on the line.
enum class ByteOrder : std::uint8_t { LowFirst, HighFirst };

// Bytes the checksum takes on the line: 1, 2 or 4.
int ChecksumWidth(ChecksumKind kind);

// The name shown to the user and stored in protocol files, e.g. "CRC-16/MODBUS".
std::string_view ChecksumKindName(ChecksumKind kind);
// The kind of a name as ChecksumKindName gives it, in any letter case.
std::optional<ChecksumKind> ParseChecksumKind(std::string_view name);

// A checksum computed over bytes that arrive in pieces: feeding a packet chunk by chunk gives the
// same value as feeding it whole. The kind is chosen once, so the per-byte loop has no dispatch.
class RunningChecksum {
 public:
  explicit RunningChecksum(ChecksumKind kind = ChecksumKind::Sum8);

  void Reset();
  void Feed(std::string_view bytes);
  void Feed(std::uint8_t byte) { Feed(std::string_view(reinterpret_cast<const char*>(&byte), 1)); }
  // Feeds the bytes one by one and writes Value() after each to `values` (bytes.size() of them):
  // where a frame may end anywhere, each place is checked at the cost of one step.
  void FeedEach(std::string_view bytes, std::uint32_t* values);
  // The checksum of everything fed since the last reset, in the kind's width.
  std::uint32_t Value() const;
  ChecksumKind Kind() const { return kind_; }

 private:
  ChecksumKind kind_;
  std::uint32_t state_;
};

std::uint32_t ComputeChecksum(ChecksumKind kind, std::string_view bytes);

// The checksum's bytes as they go on the line, ChecksumWidth(kind) of them.
std::string ChecksumBytes(ChecksumKind kind, std::uint32_t value, ByteOrder order);
// The value that received checksum bytes carry (up to four bytes).
std::uint32_t ChecksumFromBytes(std::string_view bytes, ByteOrder order);

}  // namespace ferrotap
