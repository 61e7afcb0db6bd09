// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/clock_base.h"

namespace ferrotap {

enum class TimeStampMode { None, Absolute, Relative };

// "hh:mm:ss.mmm" in local time; the milliseconds are cut, not rounded, as clocks show them.
std::string FormatAbsoluteTime(int64_t wallNs);
// " +12.345": seconds with milliseconds, signed.
std::string FormatRelativeTime(int64_t deltaMs);

// The stamps of one display: each is taken from the read time of the data it opens.
class TimeStamper {
 public:
  TimeStamper(TimeStampMode mode, const ClockBase& clock) : mode_(mode), clock_(clock) {}

  // The stamp for data read at `steadyNs`; empty when stamps are off. A relative stamp is the
  // difference of whole milliseconds, so that the stamps of a display add up to the time passed.
  // The first relative stamp is " +0.000".
  std::string Stamp(int64_t steadyNs);

 private:
  TimeStampMode mode_;
  ClockBase clock_;
  std::optional<int64_t> previousMs_;
};

}  // namespace ferrotap
