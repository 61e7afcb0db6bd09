// SPDX-License-Identifier: MIT
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "core/colors.h"

namespace ferrotap::fuzz {

// Text the data window meets: blanks, every kind of line end, and any byte now and then.
inline std::string SomeText(FuzzedDataProvider& input, std::size_t maxLength) {
  static constexpr char kCommon[] = "ab \r\n\r\n41 ";
  std::string text(input.ConsumeIntegralInRange<std::size_t>(0, maxLength), '\0');
  for (char& c : text) {
    const auto pick = input.ConsumeIntegral<unsigned char>();
    c = pick < 200 ? kCommon[pick % (sizeof kCommon - 1)] : static_cast<char>(pick * 7);
  }
  return text;
}

inline Color SomeColor(FuzzedDataProvider& input) {
  static constexpr Color kColors[] = {kSysWindowTextColor, 0x0000FF, 0xFF0000, 0x00FF00};
  return kColors[input.ConsumeIntegralInRange<int>(0, 3)];
}

}  // namespace ferrotap::fuzz
