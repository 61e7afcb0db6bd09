// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "core/colors.h"

namespace ferrotap::test {

// Text as a recorder keeps it: runs of one colour each, in order.
struct ColorRuns {
  struct Run {
    ColorRole color;
    std::string text;
    bool operator==(const Run&) const = default;
  };

  std::string Text() const {
    std::string all;
    for (const Run& run : runs) all += run.text;
    return all;
  }
  // The text in one colour, in order.
  std::string TextIn(ColorRole role) const {
    std::string all;
    for (const Run& run : runs) {
      if (run.color == role) all += run.text;
    }
    return all;
  }

  std::vector<Run> runs;
};

}  // namespace ferrotap::test
