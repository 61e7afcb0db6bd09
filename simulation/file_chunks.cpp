// SPDX-License-Identifier: MIT
#include "simulation/file_chunks.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/safe_file.h"

namespace ferrotap {

FileChunks::FileChunks(const std::string& path) : path_(path) {
  fd_ = OpenRegularFile(path, size_);
}

FileChunks::~FileChunks() {
  ::close(fd_);
}

Bytes FileChunks::Next() {
  if (buffer_.size() - taken_ < kChunkSize && !atEnd_) Refill();
  const std::size_t length = std::min(kChunkSize, buffer_.size() - taken_);
  Bytes chunk = buffer_.substr(taken_, length);
  taken_ += length;
  return chunk;
}

// Keeps what is not taken yet and reads until the block is full or the file ends. A short read is
// not the end of a file (pipes, network file systems): only 0 is.
void FileChunks::Refill() {
  buffer_.erase(0, taken_);
  taken_ = 0;
  std::size_t filled = buffer_.size();
  buffer_.resize(kReadAhead);
  while (filled < kReadAhead) {
    const ssize_t n = ::read(fd_, buffer_.data() + filled, kReadAhead - filled);
    if (n == 0) {
      atEnd_ = true;
      break;
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      buffer_.resize(filled);
      throw FileError("Reading", path_, std::strerror(errno));
    }
    filled += static_cast<std::size_t>(n);
  }
  buffer_.resize(filled);
}

}  // namespace ferrotap
