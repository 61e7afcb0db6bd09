// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ferrotap {

// Bytes from `offset` up to the next mark came from one device read that returned at `steadyNs`
// (steady clock).
struct ReadMark {
  std::size_t offset;
  int64_t steadyNs;
};
using ReadMarks = std::vector<ReadMark>;

}  // namespace ferrotap
