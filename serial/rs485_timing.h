// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

#include "serial/serial_types.h"

namespace ferrotap {

// Bits one character takes on the line: start, data, parity and stop bits. One and a half stop
// bits count as two, so a time computed from it is never short.
constexpr int FrameBits(const LineSettings& line) {
  const int stop = line.stopBits == StopBitsMode::One ? 1 : 2;
  return 1 + line.dataBits + (line.parity == pNone ? 0 : 1) + stop;
}

// Microseconds `byteCount` characters take on the line, rounded up; 0 when the rate cannot be
// timed (0 or less).
constexpr int64_t LineTimeUs(std::size_t byteCount, const LineSettings& line) {
  if (line.baud <= 0) return 0;
  const int64_t bits = static_cast<int64_t>(byteCount) * FrameBits(line);
  return (bits * 1'000'000 + line.baud - 1) / line.baud;
}

// Milliseconds RTS stays up for `byteCount` characters: the line time rounded up, at least 1.
constexpr int Rs485IntervalMs(std::size_t byteCount, const LineSettings& line) {
  const int64_t ms = (LineTimeUs(byteCount, line) + 999) / 1000;
  return ms < 1 ? 1 : static_cast<int>(ms);
}

}  // namespace ferrotap
