// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/capture_log_format.h"

namespace ferrotap {

struct CaptureLogWriterOptions {
  // Past this size the log continues in the next numbered file (CaptureLogContinuationPath).
  uint64_t maxFileBytes = uint64_t{1} << 30;
  // Records waiting for the disk; what does not fit is counted and logged as dropped.
  std::size_t queueLimitBytes = std::size_t{64} << 20;
  // Queued records reach the file at least this often: a crash of the program loses at most this.
  std::chrono::milliseconds flushInterval{500};
};

struct CaptureLogStatus {
  uint64_t appendedRecords = 0;  // queued, including those later lost to a write error
  uint64_t droppedRecords = 0;   // not queued: the queue was full or writing had failed
  uint64_t droppedBytes = 0;     // their payload bytes
  uint32_t files = 0;            // files begun, the first one included
  std::string error;             // the write error that stopped the log, if any
};

// Appends capture records to a log file without waiting for the disk: Append only queues, a
// thread of the writer writes. A write error stops the log and is reported once, through the
// handler (called on the writer's thread) and the status.
class CaptureLogWriter {
 public:
  using ErrorHandler = std::function<void(const std::string& message)>;
  struct OpenResult {
    std::unique_ptr<CaptureLogWriter> writer;
    std::string error;  // when the file cannot be created; names the file
  };

  // Creates (or empties) `path`; the header is written by the writer's thread.
  static OpenResult Open(const std::string& path, const ClockBase& clock,
                         const CaptureLogWriterOptions& options, ErrorHandler onError);
  // Writes what is queued and closes the file.
  ~CaptureLogWriter();
  CaptureLogWriter(const CaptureLogWriter&) = delete;
  CaptureLogWriter& operator=(const CaptureLogWriter&) = delete;

  // Queues the record; a payload over kCaptureMaxPayload becomes several records.
  void Append(const CaptureRecordView& record);
  // Waits until everything appended so far is in the file (or writing has failed).
  void Flush();
  CaptureLogStatus Status() const;

 private:
  CaptureLogWriter(int fd, std::string path, const ClockBase& clock,
                   const CaptureLogWriterOptions& options, ErrorHandler onError);
  void AppendDroppedNotice();
  void Run();
  bool WriteBatch(std::string_view batch);
  bool WriteToFile(std::string_view bytes);
  bool StartNextFile();
  void Fail(const std::string& action, const std::string& path, int error);

  const std::string path_;
  const CaptureLogWriterOptions options_;
  const ErrorHandler onError_;
  CaptureLogHeader header_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable written_;
  std::string queue_;
  uint64_t queuedBatches_ = 0;   // Append calls that queued something
  uint64_t writtenBatches_ = 0;  // of those, how many the thread has taken and written
  uint64_t unreportedDrops_ = 0;
  uint64_t unreportedDropBytes_ = 0;
  int64_t firstDropTimeNs_ = 0;
  bool flushWanted_ = false;
  bool stop_ = false;
  bool failed_ = false;
  CaptureLogStatus status_;

  // Only the writer's thread touches these.
  int fd_;
  uint64_t fileBytes_ = 0;
  bool headerWritten_ = false;
  std::string batch_;

  std::thread thread_;
};

}  // namespace ferrotap
