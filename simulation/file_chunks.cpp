#include "simulation/file_chunks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "serial/safe_file.h"

namespace ferrotap {

FileChunks::FileChunks(const std::string& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw FileError("Reading", path, std::strerror(errno));
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    const FileError error("Reading", path, std::strerror(errno));
    ::close(fd_);
    throw error;
  }
  size_ = S_ISREG(info.st_mode) ? static_cast<uint64_t>(info.st_size) : 0;
}

FileChunks::~FileChunks() {
  ::close(fd_);
}

Bytes FileChunks::Next() {
  Bytes chunk(kChunkSize, '\0');
  std::size_t filled = 0;
  // A short read is not the end of a file (pipes, network file systems): only 0 is.
  while (filled < kChunkSize) {
    const ssize_t n = ::read(fd_, chunk.data() + filled, kChunkSize - filled);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      throw FileError("Reading", path_, std::strerror(errno));
    }
    filled += static_cast<std::size_t>(n);
  }
  chunk.resize(filled);
  return chunk;
}

}  // namespace ferrotap
