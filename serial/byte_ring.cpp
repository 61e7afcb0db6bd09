// SPDX-License-Identifier: MIT
#include "serial/byte_ring.h"

#include <algorithm>
#include <cstring>

namespace ferrotap {

std::pair<char*, std::size_t> ByteRing::WritableSpan() {
  const std::size_t offset = Offset(put_);
  return {buffer_.data() + offset, std::min(Free(), Capacity() - offset)};
}

std::pair<const char*, std::size_t> ByteRing::ReadableSpan() const {
  const std::size_t offset = Offset(take_);
  return {buffer_.data() + offset, std::min(Used(), Capacity() - offset)};
}

bool ByteRing::Push(std::string_view bytes) {
  if (bytes.size() > Free()) return false;
  while (!bytes.empty()) {
    auto [at, room] = WritableSpan();
    const std::size_t count = std::min(room, bytes.size());
    std::memcpy(at, bytes.data(), count);
    CommitPut(count);
    bytes.remove_prefix(count);
  }
  return true;
}

uint8_t ByteRing::Pop() {
  const auto byte = static_cast<uint8_t>(buffer_[Offset(take_)]);
  ++take_;
  return byte;
}

}  // namespace ferrotap
