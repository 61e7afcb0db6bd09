// SPDX-License-Identifier: MIT
#include "core/time_stamp.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>

namespace ferrotap {
namespace {

int64_t FloorDiv(int64_t value, int64_t divisor) {
  const int64_t quotient = value / divisor;
  return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

}  // namespace

std::string FormatAbsoluteTime(int64_t wallNs) {
  const int64_t ms = FloorDiv(wallNs, 1'000'000);
  const auto seconds = static_cast<std::time_t>(FloorDiv(ms, 1000));
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                local.tm_sec, static_cast<int>(ms - FloorDiv(ms, 1000) * 1000));
  return text;
}

std::string FormatRelativeTime(int64_t deltaMs) {
  const char sign = deltaMs < 0 ? '-' : '+';
  const uint64_t magnitude =
      deltaMs < 0 ? uint64_t{0} - static_cast<uint64_t>(deltaMs) : static_cast<uint64_t>(deltaMs);
  char text[40];
  std::snprintf(text, sizeof text, " %c%" PRIu64 ".%03u", sign, magnitude / 1000,
                static_cast<unsigned>(magnitude % 1000));
  return text;
}

std::string TimeStamper::Stamp(int64_t steadyNs) {
  switch (mode_) {
    case TimeStampMode::None:
      return {};
    case TimeStampMode::Absolute:
      return FormatAbsoluteTime(clock_.WallNs(steadyNs));
    case TimeStampMode::Relative: {
      const int64_t ms = FloorDiv(steadyNs, 1'000'000);
      const int64_t delta = previousMs_ ? ms - *previousMs_ : 0;
      previousMs_ = ms;
      return FormatRelativeTime(delta);
    }
  }
  return {};
}

}  // namespace ferrotap
