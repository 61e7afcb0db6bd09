// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/bytes.h"

namespace ferrotap {

// A file read as raw bytes in chunks of up to 1024, for sending it piece by piece. Errors throw
// FileError naming the file and the system's reason.
class FileChunks {
 public:
  static constexpr std::size_t kChunkSize = 1024;

  explicit FileChunks(const std::string& path);
  ~FileChunks();
  FileChunks(const FileChunks&) = delete;
  FileChunks& operator=(const FileChunks&) = delete;

  // The size when opened.
  uint64_t Size() const { return size_; }
  // The next bytes, empty at the end of the file.
  Bytes Next();

 private:
  // Reads ahead in large blocks: one system call per chunk costs more than the copy.
  static constexpr std::size_t kReadAhead = 64 * 1024;
  void Refill();

  std::string path_;
  Bytes buffer_;
  std::size_t taken_ = 0;
  bool atEnd_ = false;
  int fd_ = -1;
  uint64_t size_ = 0;
};

}  // namespace ferrotap
