// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace ferrotap {

// Where the bytes of a block read from a port came from: the bytes from `offset` up to the next
// mark arrived in one read of the device, which returned at `steadyNs` (steady clock). Taken on
// the port's reader thread, so a busy front-end does not move them.
struct ReadMark {
  std::size_t offset = 0;
  int64_t steadyNs = 0;
  bool operator==(const ReadMark&) const = default;
};
using ReadMarks = std::vector<ReadMark>;

// The read times of the bytes in a port's input ring, by their running position in the ring.
// Not locked: the dispatcher's input lock guards it with the ring.
class ReadMarkQueue {
 public:
  // The bytes from `position` on arrived in one read that returned at `steadyNs`.
  void Add(uint64_t position, int64_t steadyNs);
  // The bytes [from, to) are taken from the ring: appends their marks to `out` (when not null),
  // offsets counted from `from`, and forgets what no byte left in the ring needs.
  void Take(uint64_t from, uint64_t to, ReadMarks* out);
  void Clear() { marks_.clear(); }
  std::size_t Size() const { return marks_.size(); }

 private:
  struct Entry {
    uint64_t position;
    int64_t steadyNs;
  };
  std::deque<Entry> marks_;
};

}  // namespace ferrotap
