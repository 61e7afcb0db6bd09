// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/capture_log_format.h"

namespace ferrotap {

// Where and why reading a log stopped.
struct CaptureLogStop {
  enum class Reason {
    End,         // every file of the log was read to its last byte
    Cut,         // the last file ends inside a record (the program stopped while writing it)
    Damaged,     // a header or record is not what the format allows
    Unreadable,  // the system refused to open or read a file
  };
  Reason reason = Reason::End;
  std::string file;     // the file reading stopped in
  uint64_t offset = 0;  // its byte where the first record not read starts
  std::string message;  // for the user; empty after a clean end
};

// Reads a capture log and its numbered continuations back record by record. Reading stops at the
// first record that is cut or damaged, after every complete record before it.
class CaptureLogReader {
 public:
  // Reads the files in blocks of this size (grown for a longer record).
  explicit CaptureLogReader(std::size_t blockBytes = std::size_t{1} << 20);
  ~CaptureLogReader();
  CaptureLogReader(const CaptureLogReader&) = delete;
  CaptureLogReader& operator=(const CaptureLogReader&) = delete;

  // False, with the reason in Stopped(), when the file is not a readable capture log.
  bool Open(const std::string& path);
  // The next record; its payload stays valid until the next call. False at the end of the log or
  // where reading stopped (see Stopped()).
  bool Next(CaptureRecordView& record);

  const CaptureLogHeader& Header() const { return header_; }  // of the first file
  const CaptureLogStop& Stopped() const { return stop_; }
  uint64_t RecordsRead() const { return records_; }

 private:
  bool OpenFile(const std::string& path, uint32_t sequence);
  bool OpenContinuation();
  // Reads more of the file after what is buffered; false at its end or on an error (then stopped_).
  bool Fill();
  std::string_view Buffered() const;
  bool StopAt(CaptureLogStop::Reason reason, std::string message);
  void CloseFile();

  std::size_t blockBytes_;
  std::string firstPath_;
  std::string path_;
  int fd_ = -1;
  CaptureLogHeader header_;
  uint32_t sequence_ = 0;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;        // first byte of buffer_ not yet taken
  std::size_t end_ = 0;          // end of the bytes read into buffer_
  uint64_t bufferOffset_ = 0;    // the file offset of buffer_[0]
  uint64_t records_ = 0;
  bool stopped_ = false;
  CaptureLogStop stop_;
};

}  // namespace ferrotap
