// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace ferrotap {

// One instant read on both clocks: turns the steady-clock read times of a session into wall-clock
// times, so that a later jump of the wall clock does not reorder or stretch a capture.
struct ClockBase {
  int64_t wallNs = 0;    // nanoseconds since 1970-01-01 UTC
  int64_t steadyNs = 0;  // std::chrono::steady_clock nanoseconds at the same instant
  int64_t WallNs(int64_t steadyTimeNs) const { return wallNs + (steadyTimeNs - steadyNs); }
  static ClockBase Now();
  bool operator==(const ClockBase&) const = default;
};

// The steady clock now, in nanoseconds: the clock of read times.
int64_t SteadyNowNs();

}  // namespace ferrotap
