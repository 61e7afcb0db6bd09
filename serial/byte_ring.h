// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace ferrotap {

// Fixed-size byte ring with running put/take counters. Not locked: the dispatcher guards the
// positions; the bytes of the free part may be filled outside the lock by the one producer.
class ByteRing {
 public:
  explicit ByteRing(std::size_t capacity) : buffer_(capacity) {}

  std::size_t Capacity() const { return buffer_.size(); }
  std::size_t Used() const { return static_cast<std::size_t>(put_ - take_); }
  std::size_t Free() const { return Capacity() - Used(); }
  bool Full() const { return Used() == Capacity(); }
  uint64_t TotalPut() const { return put_; }
  uint64_t TotalTaken() const { return take_; }

  // Contiguous free space at the put position (the part up to the end of the buffer first).
  std::pair<char*, std::size_t> WritableSpan();
  void CommitPut(std::size_t count) { put_ += count; }
  // Contiguous used bytes at the take position.
  std::pair<const char*, std::size_t> ReadableSpan() const;
  void CommitTake(std::size_t count) { take_ += count; }

  // All or nothing.
  bool Push(std::string_view bytes);
  // Requires Used() > 0.
  uint8_t Pop();
  void Clear() { take_ = put_; }

 private:
  std::size_t Offset(uint64_t position) const {
    return static_cast<std::size_t>(position % buffer_.size());
  }

  std::vector<char> buffer_;
  uint64_t put_ = 0;
  uint64_t take_ = 0;
};

}  // namespace ferrotap
