// SPDX-License-Identifier: MIT
// The dispatcher's output: the ring the UI thread fills, the writer thread that empties it
// into the device while the hand-shake allows, and RTS around a transmission.
#include "serial/dispatcher.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

namespace ferrotap {
namespace {

constexpr auto kFlushBound = std::chrono::milliseconds(5000);
// How often the transmitter is asked whether it is empty, and the hand-shake lines whether
// output may go on.
constexpr auto kDrainRecheck = std::chrono::microseconds(100);
constexpr auto kHoldRecheck = std::chrono::milliseconds(2);
// While output follows CTS or DSR, bytes go to the driver in small pieces, so that little is
// beyond holding when the line drops.
constexpr std::size_t kHeldPiece = 16;
// A device that takes nothing more is looked at again at least this often.
constexpr int kFullDeviceWaitMs = 50;

}  // namespace

bool Dispatcher::WriteString(std::string_view bytes) {
  {
    std::lock_guard lock(outputMutex_);
    if (output_.Free() < bytes.size()) return false;
    if (CanWriteDirectly()) {
      const IoResult result = device_->Write(bytes.data(), bytes.size());
      // Anything else is the writer's to meet again: a full device, or a lost one.
      if (result.status == IoResult::Status::Ok) bytes.remove_prefix(result.count);
    }
    if (!bytes.empty()) {
      output_.Push(bytes);
      outputChanged_.notify_all();
    }
  }
  outputSent_ = true;
  return true;
}

// With nothing queued and nothing for the writer to watch, the bytes go to the device at once:
// a reply leaves without waiting for the writer to wake, and a fast line is not held to one
// hand-over per ring. The device write never blocks; what it does not take is queued.
bool Dispatcher::CanWriteDirectly() const {
  return output_.Used() == 0 && !writerBusy_ && !flushing_ && !holdOnCts_ && !holdOnDsr_ &&
         !emulateRs485_ && !writeLost_;
}

std::size_t Dispatcher::OutputPending() {
  std::lock_guard lock(outputMutex_);
  return output_.Used();
}

std::size_t Dispatcher::OutputFree() {
  std::lock_guard lock(outputMutex_);
  return output_.Free();
}

bool Dispatcher::WhenOutputFree(std::size_t bytes, std::function<void()> wake) {
  std::lock_guard lock(outputMutex_);
  if (output_.Free() >= bytes) return false;
  roomWanted_ = bytes;
  roomWake_ = std::move(wake);
  return true;
}

void Dispatcher::ClearOutput() {
  {
    std::unique_lock lock(outputMutex_);
    flushing_ = true;
    outputChanged_.wait_for(lock, kFlushBound, [this] { return !writerBusy_; });
    output_.Clear();
    flushing_ = false;
  }
  device_->PurgeOutput();
}

bool Dispatcher::AllSent() {
  std::lock_guard lock(outputMutex_);
  return output_.Used() == 0 && device_->OutputQueued() == 0 && device_->TransmitterEmpty();
}

void Dispatcher::WaitTransmitEmpty(int32_t baud) {
  for (int i = 0; i < 5000; ++i) {
    if (OutputPending() == 0 && device_->OutputQueued() == 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (baud > 0) std::this_thread::sleep_for(std::chrono::microseconds(180'000'000LL / baud));
}

bool Dispatcher::SetRts(bool on) {
  std::lock_guard lock(outputMutex_);
  dropPending_ = false;
  return device_->SetRts(on);
}

void Dispatcher::DropRtsWhenSent(int64_t lineTimeUs) {
  std::lock_guard lock(outputMutex_);
  const auto now = Clock::now();
  announcedLineEnd_ = std::max(now, announcedLineEnd_) + std::chrono::microseconds(lineTimeUs);
  dropAt_ = dropPending_ ? std::max(dropAt_, announcedLineEnd_) : announcedLineEnd_;
  dropPending_ = true;
  outputChanged_.notify_all();
}

bool Dispatcher::OutputHeld() {
  if (!holdOnCts_ && !holdOnDsr_) return false;
  const uint8_t lines = device_->ModemLines();
  return (holdOnCts_ && !(lines & kModemCts)) || (holdOnDsr_ && !(lines & kModemDsr));
}

void Dispatcher::WriterLoop() {
  std::unique_lock lock(outputMutex_);
  for (;;) {
    outputChanged_.wait(lock, [this] {
      return stop_ || (((output_.Used() > 0 && !flushing_) || dropPending_) && !writeLost_);
    });
    if (stop_) return;
    if (output_.Used() > 0) {
      if (flushing_ || OutputHeld()) {
        outputChanged_.wait_for(lock, kHoldRecheck);
      } else {
        WriteSome(lock);
      }
      continue;
    }
    TurnAround(lock);
  }
}

void Dispatcher::WriteSome(std::unique_lock<std::mutex>& lock) {
  const bool piecewise = holdOnCts_ || holdOnDsr_;
  if (piecewise && device_->OutputQueued() >= kHeldPiece) {
    outputChanged_.wait_for(lock, kHoldRecheck);
    return;
  }
  if (emulateRs485_ && !rtsRaisedForSend_) {
    dropPending_ = false;
    rtsRaisedForSend_ = device_->SetRts(true);
  }
  // Bytes between take and put are only read here; WriteString fills the free part.
  auto [data, size] = output_.ReadableSpan();
  if (piecewise) size = std::min(size, kHeldPiece);
  writerBusy_ = true;
  lock.unlock();
  const IoResult result = device_->Write(data, size);
  lock.lock();
  writerBusy_ = false;
  if (result.status == IoResult::Status::Ok) output_.CommitTake(result.count);
  outputChanged_.notify_all();
  if (roomWake_ && output_.Free() >= roomWanted_) std::exchange(roomWake_, nullptr)();
  if (result.status == IoResult::Status::Lost) {
    writeLostReason_ = result.reason;
    writeLost_ = true;
    Wake();
  } else if (result.status == IoResult::Status::WouldBlock) {
    lock.unlock();
    pollfd p{device_->WriteFd(), POLLOUT, 0};
    ::poll(&p, 1, kFullDeviceWaitMs);
    lock.lock();
  }
  if (emulateRs485_ && output_.Used() == 0 && rtsRaisedForSend_) {
    rtsRaisedForSend_ = false;
    if (!dropPending_) dropAt_ = Clock::now();
    dropPending_ = true;
  }
}

// RTS falls when the last stop bit has left: wait for the announced line time, then for the
// device to report its transmitter empty. New output, a new RTS level or a stop end the wait.
void Dispatcher::TurnAround(std::unique_lock<std::mutex>& lock) {
  if (Clock::now() < dropAt_) {
    outputChanged_.wait_until(lock, dropAt_);
    return;
  }
  if (!device_->TransmitterEmpty()) {
    outputChanged_.wait_for(lock, kDrainRecheck);
    return;
  }
  device_->SetRts(false);
  dropPending_ = false;
}

}  // namespace ferrotap
