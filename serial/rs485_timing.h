#pragma once

#include <cstddef>

namespace ferrotap {

// Milliseconds RTS stays up for `byteCount` bytes at `baud` (ten bits a character), never below
// 1 ms. A baud rate of 0 or less cannot be timed and gives the 1 ms floor.
constexpr int Rs485IntervalMs(std::size_t byteCount, long baud) {
  if (baud <= 0) return 1;
  const long long interval = static_cast<long long>(byteCount) * 10000 / baud;
  return interval < 3 ? 1 : static_cast<int>(interval);
}

}  // namespace ferrotap
