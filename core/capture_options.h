// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include "core/idle_gap.h"
#include "core/time_stamp.h"

// The values of the capture options as typed on a command line ("--timestamps rel",
// "--idle-gap 3.5c"); an error names the value and says what is expected.
namespace ferrotap {

template <typename T>
struct Parsed {
  T value{};
  std::string error;
  bool ok() const { return error.empty(); }
};

// "none", "abs" or "rel".
Parsed<TimeStampMode> ParseTimeStampMode(std::string_view text);
// Milliseconds ("100ms") or character times ("3.5c"), more than 0, with at most three decimals.
Parsed<IdleGap> ParseIdleGap(std::string_view text);
// The text ParseIdleGap reads back as `gap`.
std::string FormatIdleGap(const IdleGap& gap);

}  // namespace ferrotap
