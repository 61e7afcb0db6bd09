// SPDX-License-Identifier: MIT
#include "protocol/checksum.h"

#include <array>

#include "core/crc32.h"
#include "serial/key_value.h"

namespace ferrotap {
namespace {

// Tables for the byte-at-a-time CRC step, built by the compiler.
template <typename T>
constexpr std::array<T, 256> MsbFirstTable(T poly) {
  constexpr int kWidth = 8 * sizeof(T);
  constexpr T kTop = static_cast<T>(T{1} << (kWidth - 1));
  std::array<T, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    T crc = static_cast<T>(static_cast<T>(i) << (kWidth - 8));
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<T>((crc & kTop) ? (crc << 1) ^ poly : crc << 1);
    }
    table[i] = crc;
  }
  return table;
}

// For the reflected CRC-16/MODBUS: `poly` is the bit-reversed polynomial.
template <typename T>
constexpr std::array<T, 256> LsbFirstTable(T poly) {
  std::array<T, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    T crc = static_cast<T>(i);
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<T>((crc & 1) ? (crc >> 1) ^ poly : crc >> 1);
    table[i] = crc;
  }
  return table;
}

// CRC-16/MODBUS also takes four bytes a step: table k advances a byte's remainder past k more
// bytes, so the four lookups of a step do not wait on each other.
template <typename T>
constexpr std::array<std::array<T, 256>, 4> SlicingTables(T poly) {
  std::array<std::array<T, 256>, 4> tables{};
  tables[0] = LsbFirstTable<T>(poly);
  for (std::size_t k = 1; k < 4; ++k) {
    for (unsigned i = 0; i < 256; ++i) {
      const T previous = tables[k - 1][i];
      tables[k][i] = static_cast<T>((previous >> 8) ^ tables[0][previous & 0xFF]);
    }
  }
  return tables;
}

constexpr auto kCrc8Table = MsbFirstTable<std::uint8_t>(0x07);
constexpr auto kCrc16CcittTable = MsbFirstTable<std::uint16_t>(0x1021);
constexpr auto kCrc16ModbusTables = SlicingTables<std::uint16_t>(0xA001);
constexpr const auto& kCrc16ModbusTable = kCrc16ModbusTables[0];
constexpr auto kCrc32Tables = SlicingTables<std::uint32_t>(0xEDB88320);

std::uint32_t InitialState(ChecksumKind kind) {
  switch (kind) {
    case ChecksumKind::Crc16Modbus:
    case ChecksumKind::Crc16CcittFalse:
      return 0xFFFF;
    default:
      return 0;
  }
}

const unsigned char* Begin(std::string_view bytes) {
  return reinterpret_cast<const unsigned char*>(bytes.data());
}

struct KindName {
  ChecksumKind kind;
  std::string_view name;
};
constexpr KindName kKindNames[] = {
    {ChecksumKind::Sum8, "Sum mod 256"},
    {ChecksumKind::Xor8, "XOR"},
    {ChecksumKind::Lrc8, "LRC"},
    {ChecksumKind::Crc8, "CRC-8"},
    {ChecksumKind::Crc16Modbus, "CRC-16/MODBUS"},
    {ChecksumKind::Crc16CcittFalse, "CRC-16/CCITT-FALSE"},
    {ChecksumKind::Crc16Xmodem, "CRC-16/XMODEM"},
    {ChecksumKind::Crc32, "CRC-32"},
};

}  // namespace

int ChecksumWidth(ChecksumKind kind) {
  switch (kind) {
    case ChecksumKind::Crc16Modbus:
    case ChecksumKind::Crc16CcittFalse:
    case ChecksumKind::Crc16Xmodem:
      return 2;
    case ChecksumKind::Crc32:
      return 4;
    default:
      return 1;
  }
}

std::string_view ChecksumKindName(ChecksumKind kind) {
  for (const KindName& entry : kKindNames) {
    if (entry.kind == kind) return entry.name;
  }
  return {};
}

std::optional<ChecksumKind> ParseChecksumKind(std::string_view name) {
  for (const KindName& entry : kKindNames) {
    if (EqualIgnoringCase(entry.name, name)) return entry.kind;
  }
  return std::nullopt;
}

RunningChecksum::RunningChecksum(ChecksumKind kind) : kind_(kind), state_(InitialState(kind)) {}

void RunningChecksum::Reset() {
  state_ = InitialState(kind_);
}

void RunningChecksum::Feed(std::string_view bytes) {
  const unsigned char* p = Begin(bytes);
  const unsigned char* const end = p + bytes.size();
  std::uint32_t s = state_;
  switch (kind_) {
    case ChecksumKind::Sum8:
    case ChecksumKind::Lrc8:
      for (; p != end; ++p) s += *p;
      s &= 0xFF;
      break;
    case ChecksumKind::Xor8:
      for (; p != end; ++p) s ^= *p;
      break;
    case ChecksumKind::Crc8:
      for (; p != end; ++p) s = kCrc8Table[(s ^ *p) & 0xFF];
      break;
    case ChecksumKind::Crc16Modbus: {
      const auto& t = kCrc16ModbusTables;
      for (; end - p >= 4; p += 4) {
        s ^= p[0] | (p[1] << 8);
        s = t[3][s & 0xFF] ^ t[2][s >> 8] ^ t[1][p[2]] ^ t[0][p[3]];
      }
      for (; p != end; ++p) s = (s >> 8) ^ kCrc16ModbusTable[(s ^ *p) & 0xFF];
      break;
    }
    case ChecksumKind::Crc16CcittFalse:
    case ChecksumKind::Crc16Xmodem:
      for (; p != end; ++p) s = ((s << 8) ^ kCrc16CcittTable[((s >> 8) ^ *p) & 0xFF]) & 0xFFFF;
      break;
    case ChecksumKind::Crc32:
      // The capture log's CRC-32, which continues from a finished value.
      s = Crc32(bytes, s);
      break;
  }
  state_ = s;
}

void RunningChecksum::FeedEach(std::string_view bytes, std::uint32_t* values) {
  const unsigned char* p = Begin(bytes);
  const unsigned char* const end = p + bytes.size();
  std::uint32_t s = state_;
  switch (kind_) {
    case ChecksumKind::Sum8:
      for (; p != end; ++p) *values++ = s = (s + *p) & 0xFF;
      break;
    case ChecksumKind::Lrc8:
      for (; p != end; ++p) {
        s = (s + *p) & 0xFF;
        *values++ = (0x100 - s) & 0xFF;
      }
      break;
    case ChecksumKind::Xor8:
      for (; p != end; ++p) *values++ = s ^= *p;
      break;
    case ChecksumKind::Crc8:
      for (; p != end; ++p) *values++ = s = kCrc8Table[(s ^ *p) & 0xFF];
      break;
    case ChecksumKind::Crc16Modbus: {
      // Four bytes a step keep the sum's chain short; the values between are worked out beside it.
      const auto& t = kCrc16ModbusTables;
      for (; end - p >= 4; p += 4, values += 4) {
        const std::uint32_t x = s ^ (p[0] | (p[1] << 8));
        values[0] = (s >> 8) ^ t[0][(s ^ p[0]) & 0xFF];
        const std::uint32_t two = t[1][x & 0xFF] ^ t[0][x >> 8];
        values[1] = two;
        values[2] = (two >> 8) ^ t[0][(two ^ p[2]) & 0xFF];
        s = t[3][x & 0xFF] ^ t[2][x >> 8] ^ t[1][p[2]] ^ t[0][p[3]];
        values[3] = s;
      }
      for (; p != end; ++p) *values++ = s = (s >> 8) ^ t[0][(s ^ *p) & 0xFF];
      break;
    }
    case ChecksumKind::Crc16CcittFalse:
    case ChecksumKind::Crc16Xmodem:
      for (; p != end; ++p) {
        *values++ = s = ((s << 8) ^ kCrc16CcittTable[((s >> 8) ^ *p) & 0xFF]) & 0xFFFF;
      }
      break;
    case ChecksumKind::Crc32: {
      // The state is the finished value, as Feed keeps it.
      const auto& t = kCrc32Tables;
      s = ~s;
      for (; end - p >= 4; p += 4, values += 4) {
        const std::uint32_t x = s ^ (p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24));
        std::uint32_t between = s;
        for (int k = 0; k < 3; ++k) {
          between = (between >> 8) ^ t[0][(between ^ p[k]) & 0xFF];
          values[k] = ~between;
        }
        s = t[3][x & 0xFF] ^ t[2][(x >> 8) & 0xFF] ^ t[1][(x >> 16) & 0xFF] ^ t[0][x >> 24];
        values[3] = ~s;
      }
      for (; p != end; ++p) {
        s = (s >> 8) ^ t[0][(s ^ *p) & 0xFF];
        *values++ = ~s;
      }
      s = ~s;
      break;
    }
  }
  state_ = s;
}

std::uint32_t RunningChecksum::Value() const {
  switch (kind_) {
    case ChecksumKind::Lrc8:
      return (0x100 - state_) & 0xFF;
    default:
      return state_;
  }
}

std::uint32_t ComputeChecksum(ChecksumKind kind, std::string_view bytes) {
  RunningChecksum checksum(kind);
  checksum.Feed(bytes);
  return checksum.Value();
}

std::string ChecksumBytes(ChecksumKind kind, std::uint32_t value, ByteOrder order) {
  const int width = ChecksumWidth(kind);
  std::string bytes(static_cast<std::size_t>(width), '\0');
  for (int i = 0; i < width; ++i) {
    const int position = order == ByteOrder::LowFirst ? i : width - 1 - i;
    bytes[static_cast<std::size_t>(position)] = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
  return bytes;
}

std::uint32_t ChecksumFromBytes(std::string_view bytes, ByteOrder order) {
  std::uint32_t value = 0;
  const std::size_t width = bytes.size() < 4 ? bytes.size() : 4;
  const unsigned char* p = Begin(bytes);
  for (std::size_t i = 0; i < width; ++i) {
    const std::size_t position = order == ByteOrder::LowFirst ? i : width - 1 - i;
    value |= static_cast<std::uint32_t>(p[position]) << (8 * i);
  }
  return value;
}

}  // namespace ferrotap
