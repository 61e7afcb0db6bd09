// SPDX-License-Identifier: MIT
#include "core/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/printable_text.h"

namespace ferrotap {
namespace {

constexpr std::size_t kWriteBuffer = 1 << 16;

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A link is followed so that saving through it updates the file it points at.
std::string ResolvedTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  return real ? std::string(real.get()) : path;
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

FileError::FileError(std::string_view action, std::string_view path, std::string_view reason)
    : std::runtime_error(std::string(action) + " " + PrintableText(path) + ": " +
                         PrintableText(reason)) {}

AtomicFileWriter::AtomicFileWriter(const std::string& path)
    : path_(path), target_(ResolvedTarget(path)) {
  if (path.empty()) throw FileError("Saving", path, "no file name");
  mode_t mode = NewFileMode();
  struct stat st {};
  if (::stat(target_.c_str(), &st) == 0) {
    // Replacing a FIFO or a device by a plain file would surprise whoever made it.
    if (!S_ISREG(st.st_mode)) {
      throw FileError("Saving", path,
                      S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file");
    }
    mode = st.st_mode & 07777;
  }
  temp_ = FolderOf(target_) + "/." + BaseNameOf(target_) + ".XXXXXX";
  fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
  if (fd_ < 0) {
    temp_.clear();
    Fail(errno);
  }
  if (::fchmod(fd_, mode) != 0) Fail(errno);
}

AtomicFileWriter::~AtomicFileWriter() {
  Discard();
}

void AtomicFileWriter::Write(std::string_view data) {
  if (fd_ < 0) throw FileError("Saving", path_, "the file is already closed");
  if (buffer_.size() + data.size() > kWriteBuffer) {
    FlushBuffer();
    if (data.size() >= kWriteBuffer) {
      if (!WriteAll(fd_, data)) Fail(errno);
      return;
    }
  }
  buffer_.append(data);
}

void AtomicFileWriter::Commit() {
  if (fd_ < 0) throw FileError("Saving", path_, "the file is already closed");
  FlushBuffer();
  if (::fsync(fd_) != 0 && errno != EINVAL) Fail(errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) Fail(errno);
  if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail(errno);
  temp_.clear();
  // Makes the rename itself durable; a folder that cannot be synced still holds the new file.
  const int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

void AtomicFileWriter::Fail(int error) {
  const std::string reason = std::strerror(error);
  Discard();
  throw FileError("Saving", path_, reason);
}

void AtomicFileWriter::FlushBuffer() {
  if (buffer_.empty()) return;
  if (!WriteAll(fd_, buffer_)) Fail(errno);
  buffer_.clear();
}

void AtomicFileWriter::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

int OpenRegularFile(const std::string& path, uint64_t& size) {
  // Non-blocking, so that opening a FIFO with no writer returns at once.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) throw FileError("Reading", path, std::strerror(errno));
  struct stat st {};
  const char* refusal = nullptr;
  if (::fstat(fd, &st) != 0) {
    refusal = std::strerror(errno);
  } else if (S_ISDIR(st.st_mode)) {
    refusal = std::strerror(EISDIR);
  } else if (!S_ISREG(st.st_mode)) {
    refusal = "not a regular file";
  }
  if (refusal != nullptr) {
    const FileError error("Reading", path, refusal);
    ::close(fd);
    throw error;
  }
  size = static_cast<uint64_t>(st.st_size);
  return fd;
}

std::string ReadRegularFile(const std::string& path, std::size_t maxBytes) {
  uint64_t size = 0;
  const int fd = OpenRegularFile(path, size);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  const std::string tooLarge = "larger than " + std::to_string(maxBytes) + " bytes";
  if (size > maxBytes) throw FileError("Reading", path, tooLarge);
  std::string content;
  content.resize(static_cast<std::size_t>(size) + 1);
  std::size_t used = 0;
  for (;;) {
    // A file growing while it is read is still held to the cap.
    if (used == content.size()) {
      if (used > maxBytes) throw FileError("Reading", path, tooLarge);
      content.resize(std::min(maxBytes + 1, used * 2 + 4096));
    }
    const ssize_t n = ::read(fd, content.data() + used, content.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw FileError("Reading", path, std::strerror(errno));
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  if (used > maxBytes) throw FileError("Reading", path, tooLarge);
  content.resize(used);
  return content;
}

}  // namespace ferrotap
