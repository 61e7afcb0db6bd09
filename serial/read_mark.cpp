// SPDX-License-Identifier: MIT
#include "serial/read_mark.h"

namespace ferrotap {

void ReadMarkQueue::Add(uint64_t position, int64_t steadyNs) {
  marks_.push_back({position, steadyNs});
}

void ReadMarkQueue::Take(uint64_t from, uint64_t to, ReadMarks* out) {
  if (from == to) return;
  // Marks before `from` matter only for the one that covers it.
  while (marks_.size() > 1 && marks_[1].position <= from) marks_.pop_front();
  if (out != nullptr) {
    for (const Entry& mark : marks_) {
      if (mark.position >= to) break;
      const uint64_t start = mark.position < from ? from : mark.position;
      out->push_back({static_cast<std::size_t>(start - from), mark.steadyNs});
    }
  }
  while (marks_.size() > 1 && marks_[1].position <= to) marks_.pop_front();
}

}  // namespace ferrotap
