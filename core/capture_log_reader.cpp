// SPDX-License-Identifier: MIT
#include "core/capture_log_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ferrotap {

CaptureLogReader::CaptureLogReader(std::size_t blockBytes)
    : blockBytes_(std::max<std::size_t>(blockBytes, 1)) {}

CaptureLogReader::~CaptureLogReader() { CloseFile(); }

bool CaptureLogReader::Open(const std::string& path) {
  firstPath_ = path;
  return OpenFile(path, 0);
}

bool CaptureLogReader::OpenFile(const std::string& path, uint32_t sequence) {
  CloseFile();
  path_ = path;
  sequence_ = sequence;
  begin_ = end_ = 0;
  bufferOffset_ = 0;
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return StopAt(CaptureLogStop::Reason::Unreadable, std::strerror(errno));
  CaptureLogHeader header;
  for (;;) {
    const ParseResult parsed = ParseCaptureLogHeader(Buffered(), header);
    if (parsed.status == ParseStatus::Damaged) {
      return StopAt(CaptureLogStop::Reason::Damaged, parsed.problem);
    }
    if (parsed.status == ParseStatus::Ok) {
      begin_ += parsed.size;
      break;
    }
    if (!Fill()) {
      if (!stopped_) StopAt(CaptureLogStop::Reason::Cut, "the log ends within its header");
      return false;
    }
  }
  if (sequence == 0) {
    header_ = header;
  } else if (header.sequence != sequence || header.logId != header_.logId) {
    // A file left by an earlier log of the same name: not a part of this one.
    CloseFile();
    return false;
  }
  return true;
}

bool CaptureLogReader::Next(CaptureRecordView& record) {
  while (!stopped_) {
    const ParseResult parsed = ParseCaptureRecord(Buffered(), record);
    if (parsed.status == ParseStatus::Ok) {
      begin_ += parsed.size;
      ++records_;
      return true;
    }
    if (parsed.status == ParseStatus::Damaged) {
      return StopAt(CaptureLogStop::Reason::Damaged, parsed.problem);
    }
    if (Fill()) continue;
    if (stopped_) return false;
    if (begin_ != end_) {
      return StopAt(CaptureLogStop::Reason::Cut, "the log ends in the middle of a record");
    }
    if (!OpenContinuation()) return false;
  }
  return false;
}

bool CaptureLogReader::OpenContinuation() {
  const std::string next = CaptureLogContinuationPath(firstPath_, sequence_ + 1);
  if (::access(next.c_str(), F_OK) != 0) {
    stopped_ = true;
    stop_ = {CaptureLogStop::Reason::End, path_, bufferOffset_ + begin_, {}};
    return false;
  }
  const std::string previous = path_;
  const uint64_t previousEnd = bufferOffset_ + begin_;
  if (OpenFile(next, sequence_ + 1)) return true;
  if (!stopped_) {
    stopped_ = true;
    stop_ = {CaptureLogStop::Reason::End, previous, previousEnd, {}};
  }
  return false;
}

bool CaptureLogReader::Fill() {
  if (fd_ < 0) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    bufferOffset_ += begin_;
    end_ -= begin_;
    begin_ = 0;
  }
  if (buffer_.size() < blockBytes_) buffer_.resize(blockBytes_);
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
  for (;;) {
    const ssize_t got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (got > 0) {
      end_ += static_cast<std::size_t>(got);
      return true;
    }
    if (got == 0) return false;
    if (errno != EINTR) return StopAt(CaptureLogStop::Reason::Unreadable, std::strerror(errno));
  }
}

std::string_view CaptureLogReader::Buffered() const {
  return {buffer_.data() + begin_, end_ - begin_};
}

bool CaptureLogReader::StopAt(CaptureLogStop::Reason reason, std::string message) {
  stopped_ = true;
  stop_.reason = reason;
  stop_.file = path_;
  stop_.offset = bufferOffset_ + begin_;
  stop_.message = "Reading " + path_ + ": " + message;
  if (reason != CaptureLogStop::Reason::Unreadable) {
    stop_.message += " at byte " + std::to_string(stop_.offset) + "; " +
                     std::to_string(records_) + " records before it were read";
  }
  return false;
}

void CaptureLogReader::CloseFile() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace ferrotap
