// SPDX-License-Identifier: MIT
// The dispatcher's input: the ring the readers fill from the device, what the UI thread takes
// from it, and the hand-shake that holds the line while it is full.
#include "serial/dispatcher.h"

#include <algorithm>

namespace ferrotap {

std::optional<uint8_t> Dispatcher::ReadChar() {
  bool wasFull = false;
  uint8_t byte = 0;
  {
    std::lock_guard lock(inputMutex_);
    if (input_.Used() == 0) return std::nullopt;
    wasFull = input_.Full();
    inputMarks_.Take(input_.TotalTaken(), input_.TotalTaken() + 1, nullptr);
    byte = input_.Pop();
    ResumeInputIfLow();
  }
  // The readers stop watching the device while the ring is full.
  if (wasFull) WakeReaders();
  return byte;
}

std::string Dispatcher::ReadString(std::size_t count, ReadMarks* marks) {
  std::string bytes;
  bool wasFull = false;
  {
    std::lock_guard lock(inputMutex_);
    wasFull = input_.Full();
    count = std::min(count, input_.Used());
    inputMarks_.Take(input_.TotalTaken(), input_.TotalTaken() + count, marks);
    bytes.reserve(count);
    while (bytes.size() < count) {
      const auto [data, size] = input_.ReadableSpan();
      const std::size_t take = std::min(size, count - bytes.size());
      bytes.append(data, take);
      input_.CommitTake(take);
    }
    ResumeInputIfLow();
  }
  if (wasFull && !bytes.empty()) WakeReaders();
  return bytes;
}

std::size_t Dispatcher::BytesAvailable() {
  std::lock_guard lock(inputMutex_);
  return input_.Used();
}

void Dispatcher::ClearInput() {
  {
    // No read may land between the clear and the purge.
    std::lock_guard reading(readMutex_);
    {
      std::lock_guard lock(inputMutex_);
      input_.Clear();
      inputMarks_.Clear();
      notifiedPut_ = input_.TotalPut();
      ResumeInputIfLow();
    }
    device_->PurgeInput();
  }
  WakeReaders();
}

void Dispatcher::ReadDevice(bool ahead) {
  for (;;) {
    if (ahead && !readingAhead_) return;
    std::lock_guard reading(readMutex_);
    if (readLost_) return;
    std::pair<char*, std::size_t> span;
    {
      std::lock_guard lock(inputMutex_);
      if (input_.Full() || (!ahead && FullNotificationWaits())) return;
      span = input_.WritableSpan();
    }
    // The free part is only written under the read lock, so it is filled outside the input lock.
    const IoResult result = device_->Read(span.first, span.second);
    if (result.status == IoResult::Status::Ok && result.count > 0) {
      const int64_t readNs =
          std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
              .count();
      {
        std::lock_guard lock(inputMutex_);
        inputMarks_.Add(input_.TotalPut(), readNs);
        input_.CommitPut(result.count);
        HoldInputIfFull();
      }
      // Reading ahead ended meanwhile: the reader thread may have looked for data already.
      if (ahead && !readingAhead_) Wake();
      continue;
    }
    if (result.status == IoResult::Status::Lost) {
      readLostReason_ = result.reason;
      readLost_ = true;
      if (ahead) Wake();
    }
    return;
  }
}

uint64_t Dispatcher::NotifyUpTo(uint64_t readUpTo) const {
  return std::min<uint64_t>(readUpTo, input_.TotalTaken() + mostNotified_);
}

bool Dispatcher::FullNotificationWaits() const {
  const uint64_t most = input_.TotalTaken() + mostNotified_;
  return input_.TotalPut() >= most && notifiedPut_ < most;
}

bool Dispatcher::DataPending() const {
  return input_.Used() > 0 && NotifyUpTo(input_.TotalPut()) > notifiedPut_;
}

void Dispatcher::HoldInputIfFull() {
  if (inputHeld_ || (!dtrAtFull_ && !rtsAtFull_) || input_.Used() < fullLevel_) return;
  inputHeld_ = true;
  SetInputHandshake(false);
}

void Dispatcher::ResumeInputIfLow() {
  if (!inputHeld_ || input_.Used() > resumeLevel_) return;
  inputHeld_ = false;
  SetInputHandshake(true);
}

void Dispatcher::SetInputHandshake(bool on) {
  if (dtrAtFull_) device_->SetDtr(on);
  if (rtsAtFull_) device_->SetRts(on);
}

void Dispatcher::SetFlowControl(const FlowSettings& flow, const DriverFlow& driver) {
  const bool lines = device_->HasModemLines();
  {
    std::lock_guard lock(outputMutex_);
    holdOnCts_ = lines && (flow.hwOptions & hwfRequireCTS) && !driver.rtsCts;
    holdOnDsr_ = lines && (flow.hwOptions & hwfRequireDSR);
    emulateRs485_ = flow.rs485 && !driver.rs485;
    outputChanged_.notify_all();
  }
  std::lock_guard lock(inputMutex_);
  if (inputHeld_) SetInputHandshake(true);
  inputHeld_ = false;
  dtrAtFull_ = (flow.hwOptions & hwfUseDTR) != 0;
  rtsAtFull_ = (flow.hwOptions & hwfUseRTS) && !driver.rtsCts;
  fullLevel_ = flow.bufferFull;
  resumeLevel_ = flow.bufferResume;
  // The line starts up: ready to receive.
  SetInputHandshake(true);
  HoldInputIfFull();
}

}  // namespace ferrotap
