// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace ferrotap {

enum Parity : uint8_t { pNone, pOdd, pEven, pMark, pSpace };

// Hardware flow-control option bits.
enum HWFlowOption : uint8_t {
  hwfUseDTR = 1,
  hwfUseRTS = 2,
  hwfRequireDSR = 4,
  hwfRequireCTS = 8,
};

enum SWFlowOptions : uint8_t { swfNone, swfReceive, swfTransmit, swfBoth };

enum class StopBitsMode : uint8_t { One, OneAndHalf, Two };

// Modem status byte: levels in the high nibble, change marks in the low one.
inline constexpr uint8_t kModemCtsChanged = 0x01;
inline constexpr uint8_t kModemDsrChanged = 0x02;
inline constexpr uint8_t kModemRingSeen = 0x04;
inline constexpr uint8_t kModemDcdChanged = 0x08;
inline constexpr uint8_t kModemCts = 0x10;
inline constexpr uint8_t kModemDsr = 0x20;
inline constexpr uint8_t kModemRing = 0x40;
inline constexpr uint8_t kModemDcd = 0x80;

// Line error bits.
inline constexpr uint8_t kLineRxOverflow = 0x01;
inline constexpr uint8_t kLineOverrun = 0x02;
inline constexpr uint8_t kLineParity = 0x04;
inline constexpr uint8_t kLineFraming = 0x08;
inline constexpr uint8_t kLineBreak = 0x10;

struct LineSettings {
  int32_t baud = 19200;
  Parity parity = pNone;
  uint16_t dataBits = 8;
  StopBitsMode stopBits = StopBitsMode::One;
  bool operator==(const LineSettings&) const = default;
};

// Five data bits always go with one and a half stop bits, as UARTs do.
inline StopBitsMode EffectiveStopBits(uint16_t dataBits, uint16_t stopBits) {
  if (dataBits == 5) return StopBitsMode::OneAndHalf;
  return stopBits == 2 ? StopBitsMode::Two : StopBitsMode::One;
}

struct FlowSettings {
  uint8_t hwOptions = 0;
  SWFlowOptions swOptions = swfNone;
  uint8_t xOnChar = 17;
  uint8_t xOffChar = 19;
  uint16_t bufferFull = 0;
  uint16_t bufferResume = 0;
  bool rs485 = false;
  bool operator==(const FlowSettings&) const = default;
};

}  // namespace ferrotap
