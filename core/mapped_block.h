// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

namespace ferrotap {

// Memory of its own for one buffer that only grows: growth remaps pages rather than copying the
// content, and a large block is backed by 2 MB pages, so that filling it costs a few hundred page
// faults per gigabyte instead of a quarter of a million. Throws std::bad_alloc when out of memory.
class MappedBlock {
 public:
  MappedBlock() = default;
  MappedBlock(const MappedBlock&) = delete;
  MappedBlock& operator=(const MappedBlock&) = delete;
  ~MappedBlock();

  char* Data() const { return data_; }
  std::size_t Capacity() const { return capacity_; }
  // Keeps the content; the capacity becomes at least `capacity`, rounded up to whole pages.
  void Grow(std::size_t capacity);
  // Gives back the first `bytes` (whole pages) to the system; what follows keeps its content.
  void DropFront(std::size_t bytes);
  static std::size_t PageBytes();
  void Release();

 private:
  char* data_ = nullptr;
  std::size_t capacity_ = 0;
};

}  // namespace ferrotap
