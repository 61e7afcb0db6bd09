// SPDX-License-Identifier: MIT
#include "core/capture_log_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

namespace ferrotap {
namespace {

// A burst this large is written at once rather than at the next flush.
constexpr std::size_t kWriteEarlyBytes = std::size_t{1} << 20;

int CreateLogFile(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

std::size_t RecordSizeAt(std::string_view batch, std::size_t at) {
  uint32_t length = 0;
  for (std::size_t n = 0; n < 4; ++n) {
    length |= uint32_t{static_cast<unsigned char>(batch[at + n])} << (8 * n);
  }
  return kCaptureRecordOverhead + length;
}

uint64_t NewLogId(const ClockBase& clock) {
  std::random_device random;
  return (uint64_t{random()} << 32 ^ random()) ^ static_cast<uint64_t>(clock.wallNs);
}

}  // namespace

CaptureLogWriter::OpenResult CaptureLogWriter::Open(const std::string& path,
                                                    const ClockBase& clock,
                                                    const CaptureLogWriterOptions& options,
                                                    ErrorHandler onError) {
  const int fd = CreateLogFile(path);
  if (fd < 0) {
    return {nullptr, "Opening capture log " + path + ": " + std::strerror(errno)};
  }
  return {std::unique_ptr<CaptureLogWriter>(
              new CaptureLogWriter(fd, path, clock, options, std::move(onError))),
          {}};
}

CaptureLogWriter::CaptureLogWriter(int fd, std::string path, const ClockBase& clock,
                                   const CaptureLogWriterOptions& options, ErrorHandler onError)
    : path_(std::move(path)), options_(options), onError_(std::move(onError)), fd_(fd) {
  header_.logId = NewLogId(clock);
  header_.clock = clock;
  status_.files = 1;
  thread_ = std::thread([this] { Run(); });
}

CaptureLogWriter::~CaptureLogWriter() {
  {
    std::lock_guard lock(mutex_);
    if (unreportedDrops_ > 0 && !failed_) AppendDroppedNotice();
    stop_ = true;
  }
  wake_.notify_one();
  thread_.join();
  if (fd_ >= 0) ::close(fd_);
}

void CaptureLogWriter::Append(const CaptureRecordView& record) {
  const std::size_t pieces =
      std::max<std::size_t>(1, (record.payload.size() + kCaptureMaxPayload - 1) / kCaptureMaxPayload);
  const std::size_t size = pieces * kCaptureRecordOverhead + record.payload.size();
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    if (failed_ || queue_.size() + size > options_.queueLimitBytes) {
      if (unreportedDrops_ == 0) firstDropTimeNs_ = record.timeNs;
      unreportedDrops_ += pieces;
      unreportedDropBytes_ += record.payload.size();
      status_.droppedRecords += pieces;
      status_.droppedBytes += record.payload.size();
      return;
    }
    if (unreportedDrops_ > 0) AppendDroppedNotice();
    CaptureRecordView piece = record;
    for (std::size_t n = 0; n < pieces; ++n) {
      piece.payload = record.payload.substr(n * kCaptureMaxPayload, kCaptureMaxPayload);
      AppendCaptureRecord(queue_, piece);
    }
    status_.appendedRecords += pieces;
    ++queuedBatches_;
    wake = queue_.size() >= kWriteEarlyBytes;
  }
  if (wake) wake_.notify_one();
}

// The notice goes in even over the queue limit: it is small, and without it the loss would pass
// unseen.
void CaptureLogWriter::AppendDroppedNotice() {
  CaptureRecordView notice;
  notice.timeNs = firstDropTimeNs_;
  notice.kind = CaptureKind::Dropped;
  const std::string payload = DroppedPayload({unreportedDrops_, unreportedDropBytes_});
  notice.payload = payload;
  AppendCaptureRecord(queue_, notice);
  ++queuedBatches_;
  unreportedDrops_ = 0;
  unreportedDropBytes_ = 0;
}

void CaptureLogWriter::Flush() {
  std::unique_lock lock(mutex_);
  const uint64_t target = queuedBatches_;
  flushWanted_ = true;
  wake_.notify_one();
  written_.wait(lock, [&] { return writtenBatches_ >= target || failed_; });
}

CaptureLogStatus CaptureLogWriter::Status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

void CaptureLogWriter::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait_for(lock, options_.flushInterval,
                   [&] { return stop_ || flushWanted_ || queue_.size() >= kWriteEarlyBytes; });
    flushWanted_ = false;
    const bool stopping = stop_;
    const uint64_t taken = queuedBatches_;
    batch_.swap(queue_);
    queue_.clear();
    const bool failedBefore = failed_;
    lock.unlock();
    if (!failedBefore) WriteBatch(batch_);
    lock.lock();
    writtenBatches_ = taken;
    written_.notify_all();
    if (stopping) return;
  }
}

// Writes whole records only into a file, so that each file of a log reads on its own; a record
// that would pass the size limit opens the next file.
bool CaptureLogWriter::WriteBatch(std::string_view batch) {
  std::size_t runStart = 0;
  std::size_t at = 0;
  while (at < batch.size()) {
    const std::size_t record = RecordSizeAt(batch, at);
    const uint64_t fileEnd = std::max<uint64_t>(fileBytes_, kCaptureLogHeaderSize) + (at - runStart);
    if (fileEnd + record > options_.maxFileBytes && fileEnd > kCaptureLogHeaderSize) {
      if (!WriteToFile(batch.substr(runStart, at - runStart)) || !StartNextFile()) return false;
      runStart = at;
    }
    at += record;
  }
  return WriteToFile(batch.substr(runStart));
}

bool CaptureLogWriter::WriteToFile(std::string_view bytes) {
  std::string header;
  if (!headerWritten_) {
    AppendCaptureLogHeader(header, header_);
    bytes = header.append(bytes);
    headerWritten_ = true;
  }
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail("Writing", header_.sequence == 0 ? path_
                                             : CaptureLogContinuationPath(path_, header_.sequence),
           errno);
      return false;
    }
    fileBytes_ += static_cast<uint64_t>(written);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool CaptureLogWriter::StartNextFile() {
  ::close(fd_);
  ++header_.sequence;
  const std::string next = CaptureLogContinuationPath(path_, header_.sequence);
  fd_ = CreateLogFile(next);
  if (fd_ < 0) {
    Fail("Opening", next, errno);
    return false;
  }
  fileBytes_ = 0;
  headerWritten_ = false;
  std::lock_guard lock(mutex_);
  ++status_.files;
  return true;
}

void CaptureLogWriter::Fail(const std::string& action, const std::string& path, int error) {
  const std::string message = action + " capture log " + path + ": " + std::strerror(error);
  {
    std::lock_guard lock(mutex_);
    failed_ = true;
    status_.error = message;
  }
  if (onError_) onError_(message);
}

}  // namespace ferrotap
