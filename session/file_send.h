// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/bytes.h"
#include "session/session_output.h"

namespace ferrotap {

class FileChunks;
class Session;
class SessionTimer;

// A whole file sent on port A in chunks that wait for room in the output ring: the loop never
// blocks on a slow line and nothing is dropped on a full ring.
class FileSend {
 public:
  explicit FileSend(Session& session);
  ~FileSend();

  // False, with a message, when the file cannot be read.
  bool Start(const std::string& path);
  bool Sending() const { return file_ != nullptr; }
  // Ends a send under way, if any, and reports how.
  void End(FileSendEnd how);
  // Port A is about to close, or its device is gone: a send under way ends with a message.
  void PortGoes(FileSendEnd how);

 private:
  void EndAtFileEnd();
  void Pump();
  std::function<void()> RoomWake();
  void ShowProgress();
  uint64_t Total() const;

  Session& session_;
  std::unique_ptr<SessionTimer> retry_;
  std::unique_ptr<FileChunks> file_;
  Bytes pending_;
  uint64_t sent_ = 0;
  std::chrono::steady_clock::time_point lastProgress_;
  // Tells wakes of an earlier send from those of the present one.
  uint64_t sendNumber_ = 0;
  // Posted rounds check it to know the send still exists.
  std::shared_ptr<FileSend*> self_ = std::make_shared<FileSend*>(this);
};

}  // namespace ferrotap
