// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ferrotap {

// A file error whose message names the action and the file: "Saving capture.rtf: Permission
// denied".
class FileError : public std::runtime_error {
 public:
  FileError(std::string_view action, std::string_view path, std::string_view reason);
};

// Writes a file through a temporary file in the same folder, renamed over the target only by
// Commit: an interrupted save or a full disk leaves the old file as it was, never half of the new
// one. Errors throw FileError("Saving", path, reason).
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(const std::string& path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void Write(std::string_view data);
  // Flushes to the disk and puts the new file in place of the old.
  void Commit();

 private:
  [[noreturn]] void Fail(int error);
  void FlushBuffer();
  void Discard();

  std::string path_;    // as the user named it, for messages
  std::string target_;  // the file replaced (a symbolic link's destination)
  std::string temp_;
  int fd_ = -1;
  std::string buffer_;
};

// Opens a regular file for reading and returns its descriptor. A FIFO, a device or a folder is
// refused without blocking: opening a FIFO with no writer would otherwise wait for one. Errors
// throw FileError("Reading", path, reason); `size` is the file's size when the call returns.
int OpenRegularFile(const std::string& path, uint64_t& size);

// The whole content of a regular file of at most maxBytes. A FIFO, a device or a folder is refused
// without being read, so it can neither hang the caller nor feed it endless bytes. Errors throw
// FileError("Reading", path, reason).
std::string ReadRegularFile(const std::string& path, std::size_t maxBytes);

}  // namespace ferrotap
