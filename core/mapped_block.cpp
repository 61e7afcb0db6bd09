// SPDX-License-Identifier: MIT
#include "core/mapped_block.h"

#include <sys/mman.h>
#include <unistd.h>

#include <new>

namespace ferrotap {
namespace {

// Below this, small pages waste less than large ones save.
constexpr std::size_t kLargePagesFrom = std::size_t{4} << 20;

std::size_t RoundToPages(std::size_t bytes) {
  const std::size_t page = MappedBlock::PageBytes();
  return (bytes + page - 1) / page * page;
}

}  // namespace

std::size_t MappedBlock::PageBytes() {
  static const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  return page;
}

void MappedBlock::DropFront(std::size_t bytes) {
  if (bytes == 0) return;
  if (bytes >= capacity_) {
    Release();
    return;
  }
  ::munmap(data_, bytes);
  data_ += bytes;
  capacity_ -= bytes;
}

MappedBlock::~MappedBlock() {
  Release();
}

void MappedBlock::Grow(std::size_t capacity) {
  if (capacity <= capacity_) return;
  const std::size_t size = RoundToPages(capacity);
  void* grown = data_ == nullptr
                    ? ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                    : ::mremap(data_, capacity_, size, MREMAP_MAYMOVE);
  if (grown == MAP_FAILED) throw std::bad_alloc();
  // The whole mapping, never a part: a split mapping could no longer be remapped in one piece.
  if (size >= kLargePagesFrom) ::madvise(grown, size, MADV_HUGEPAGE);
  data_ = static_cast<char*>(grown);
  capacity_ = size;
}

void MappedBlock::Release() {
  if (data_ != nullptr) ::munmap(data_, capacity_);
  data_ = nullptr;
  capacity_ = 0;
}

}  // namespace ferrotap
