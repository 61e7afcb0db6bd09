// SPDX-License-Identifier: MIT
#include "core/capture_options.h"

#include <cstdint>

#include "core/printable_text.h"

namespace ferrotap {
namespace {

constexpr int64_t kMaxGapMilliseconds = 3'600'000;
constexpr int64_t kMaxGapCharacters = 1'000'000;

// The typed value as it goes into a message, shown printable.
std::string Quoted(std::string_view text) { return "\"" + PrintableText(text) + "\""; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

Parsed<TimeStampMode> ParseTimeStampMode(std::string_view text) {
  if (text == "none") return {TimeStampMode::None, {}};
  if (text == "abs") return {TimeStampMode::Absolute, {}};
  if (text == "rel") return {TimeStampMode::Relative, {}};
  return {{}, Quoted(text) + " is not a timestamp mode: give none, abs or rel"};
}

Parsed<IdleGap> ParseIdleGap(std::string_view text) {
  const std::string badForm =
      Quoted(text) + " is not an idle gap: give milliseconds like 100ms or character times like 3.5c";
  IdleGap gap;
  std::string_view number = text;
  if (text.ends_with("ms")) {
    gap.unit = IdleGap::Unit::Milliseconds;
    number.remove_suffix(2);
  } else if (text.ends_with("c")) {
    gap.unit = IdleGap::Unit::Characters;
    number.remove_suffix(1);
  } else {
    return {{}, badForm};
  }
  const std::size_t point = number.find('.');
  const std::string_view whole = number.substr(0, point);
  const std::string_view decimals =
      point == std::string_view::npos ? std::string_view{} : number.substr(point + 1);
  const bool digitsOnly = [&] {
    for (const char c : whole) if (!IsDigit(c)) return false;
    for (const char c : decimals) if (!IsDigit(c)) return false;
    return true;
  }();
  if (whole.empty() || !digitsOnly || (point != std::string_view::npos && decimals.empty())) {
    return {{}, badForm};
  }
  if (decimals.size() > 3) return {{}, Quoted(text) + " has more than three decimals"};
  const int64_t limit =
      gap.unit == IdleGap::Unit::Milliseconds ? kMaxGapMilliseconds : kMaxGapCharacters;
  const std::string tooLong =
      Quoted(text) + (gap.unit == IdleGap::Unit::Milliseconds
                          ? " is longer than an hour"
                          : " is more than " + std::to_string(kMaxGapCharacters) +
                                " character times");
  int64_t value = 0;
  for (const char c : whole) {
    value = value * 10 + (c - '0');
    if (value > limit) return {{}, tooLong};
  }
  int64_t fraction = 0;
  for (std::size_t n = 0; n < 3; ++n) {
    fraction = fraction * 10 + (n < decimals.size() ? decimals[n] - '0' : 0);
  }
  gap.thousandths = value * 1000 + fraction;
  if (gap.thousandths == 0) return {{}, Quoted(text) + " is no gap: give more than 0"};
  if (gap.thousandths > limit * 1000) return {{}, tooLong};
  return {gap, {}};
}

std::string FormatIdleGap(const IdleGap& gap) {
  std::string text = std::to_string(gap.thousandths / 1000);
  int64_t fraction = gap.thousandths % 1000;
  if (fraction != 0) {
    std::string decimals = std::to_string(1000 + fraction).substr(1);
    while (decimals.back() == '0') decimals.pop_back();
    text += "." + decimals;
  }
  return text + (gap.unit == IdleGap::Unit::Milliseconds ? "ms" : "c");
}

}  // namespace ferrotap
