// SPDX-License-Identifier: MIT
// The dispatcher's threads: starting and stopping them, and the reader thread's passes that
// read, check the triggers and deliver what they found.
#include "serial/dispatcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <utility>

namespace ferrotap {
namespace {

constexpr int kPassIntervalMs = 50;
constexpr int kPassesPerReturnCheck = 10;
constexpr int kReadAheadNice = 5;

void Signal(int fd) {
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
}

void Drain(int fd) {
  uint64_t count = 0;
  [[maybe_unused]] const ssize_t n = ::read(fd, &count, sizeof count);
}

}  // namespace

Dispatcher::Dispatcher(std::unique_ptr<SerialDevice> device, std::size_t outSize,
                       NotificationChannel& channel, Sink sink, std::size_t inSize)
    : device_(std::move(device)),
      channel_(channel),
      sink_(std::move(sink)),
      wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      readAheadFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      input_(inSize),
      output_(outSize) {}

Dispatcher::~Dispatcher() {
  RequestStop();
  Join();
  if (wakeFd_ >= 0) ::close(wakeFd_);
  if (readAheadFd_ >= 0) ::close(readAheadFd_);
}

void Dispatcher::Start() {
  RefreshModemStatus();
  reader_ = std::thread([this] { ReaderLoop(); });
  readAhead_ = std::thread([this] { ReadAheadLoop(); });
  writer_ = std::thread([this] { WriterLoop(); });
}

void Dispatcher::RequestStop() {
  stop_ = true;
  channel_.Shut();
  WakeReaders();
  std::lock_guard lock(outputMutex_);
  outputChanged_.notify_all();
}

void Dispatcher::Join() {
  if (reader_.joinable()) reader_.join();
  if (readAhead_.joinable()) readAhead_.join();
  if (writer_.joinable()) writer_.join();
}

void Dispatcher::Wake() {
  Signal(wakeFd_);
}

void Dispatcher::WakeReaders() {
  Signal(wakeFd_);
  Signal(readAheadFd_);
}

void Dispatcher::ReaderLoop() {
  while (!stop_) {
    bool watchDevice = !readLost_ && !writeLost_;
    bool pending = false;
    {
      std::lock_guard lock(inputMutex_);
      watchDevice = watchDevice && !input_.Full();
      pending = DataPending();
    }
    // A lost device or a full ring is left out of the poll set, or POLLHUP/POLLIN would spin us.
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {watchDevice ? device_->ReadFd() : -1, POLLIN, 0}};
    ::poll(fds, 2, pending ? 0 : kPassIntervalMs);
    if (fds[0].revents & POLLIN) Drain(wakeFd_);
    if (stop_) break;
    Pass();
  }
}

void Dispatcher::ReadAheadLoop() {
  // Reading ahead must not take the UI thread's processor while it shows what was read.
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kReadAheadNice);
  while (!stop_) {
    bool watchDevice = readingAhead_ && !readLost_ && !writeLost_;
    if (watchDevice) {
      std::lock_guard lock(inputMutex_);
      watchDevice = !input_.Full();
    }
    pollfd fds[2] = {{readAheadFd_, POLLIN, 0}, {watchDevice ? device_->ReadFd() : -1, POLLIN, 0}};
    ::poll(fds, 2, kPassIntervalMs);
    if (fds[0].revents & POLLIN) Drain(readAheadFd_);
    if (stop_) break;
    if (fds[1].revents != 0) ReadDevice(true);
  }
}

void Dispatcher::Pass() {
  RefreshModemStatus();
  RefreshLineErrors();
  RunStatusChecks();
  ReadDevice(false);
  // What was read up to here is told in this pass: errors marked in it before it, a loss after
  // it. Later reads of the read-ahead thread wait for the next pass.
  const bool readLost = readLost_;
  uint64_t readUpTo = 0;
  {
    std::lock_guard lock(inputMutex_);
    readUpTo = input_.TotalPut();
  }
  RefreshLineErrors();
  RefreshModemStatus();
  RunStatusChecks();
  if (!stop_) DataCheck(readUpTo);
  {
    std::lock_guard lock(triggerMutex_);
    triggers_.ClearHits();
  }
  for (;;) {
    const bool status = StatusCheck();
    const bool timer = TimerCheck();
    if ((!status && !timer) || stop_) break;
  }
  {
    std::lock_guard lock(triggerMutex_);
    triggers_.ClearHits();
  }
  ReportLoss(readLost);
  ReportReturn();
}

void Dispatcher::RunStatusChecks() {
  while (!stop_ && StatusCheck()) {
  }
}

bool Dispatcher::StatusCheck() {
  if (stop_) return false;
  StatusInputs inputs;
  {
    std::lock_guard lock(outputMutex_);
    inputs.outputFree = output_.Free();
    inputs.outputUsed = output_.Used();
  }
  inputs.outputSent = outputSent_;
  std::optional<StatusHit> hit;
  {
    std::lock_guard lock(triggerMutex_);
    inputs.modemStatus = modemStatus_;
    inputs.lineErrors = lineErrors_;
    hit = triggers_.CheckStatus(inputs);
  }
  if (!hit) return false;
  if (hit->kind == stOutputSent) outputSent_ = false;
  if (Deliver({Notification::Kind::Status, hit->handle, hit->kind, {}})) return true;
  std::lock_guard lock(triggerMutex_);
  triggers_.Unfire(*hit);
  if (hit->kind == stOutputSent) outputSent_ = true;
  return false;
}

bool Dispatcher::TimerCheck() {
  if (stop_) return false;
  std::optional<uint16_t> handle;
  {
    std::lock_guard lock(triggerMutex_);
    handle = triggers_.CheckTimers(NowTicks());
  }
  if (!handle) return false;
  if (Deliver({Notification::Kind::Timer, *handle, 0, {}})) return true;
  std::lock_guard lock(triggerMutex_);
  triggers_.UnfireTimer(*handle);
  return false;
}

bool Dispatcher::DataCheck(uint64_t readUpTo) {
  std::size_t count = 0;
  uint64_t before = 0;
  uint64_t noted = 0;
  bool flood = false;
  {
    std::lock_guard lock(inputMutex_);
    const uint64_t upTo = NotifyUpTo(readUpTo);
    flood = input_.TotalPut() > upTo;
    // Nothing new to tell, or a clear meanwhile took what was read.
    if (upTo <= notifiedPut_ || upTo <= input_.TotalTaken()) return false;
    count = static_cast<std::size_t>(upTo - input_.TotalTaken());
    before = notifiedPut_;
    noted = notifiedPut_ = upTo;
  }
  // More has come than one notification tells: the line is busy, so reading goes on at once.
  if (Deliver({Notification::Kind::Data, static_cast<uint16_t>(count), 0, {}}, flood)) {
    return true;
  }
  // Not told: the bytes count as new again, together with whatever arrives meanwhile.
  std::lock_guard lock(inputMutex_);
  if (notifiedPut_ == noted) notifiedPut_ = before;
  return false;
}

void Dispatcher::ReportLoss(bool readLost) {
  if (lossReported_ || stop_) return;
  std::string reason;
  if (readLost) {
    reason = readLostReason_;
  } else if (writeLost_) {
    reason = writeLostReason_;
  } else {
    return;
  }
  lossReported_ = Deliver({Notification::Kind::DeviceLost, 0, 0, reason});
}

void Dispatcher::ReportReturn() {
  if (!lossReported_ || returnReported_ || !returnCheck_ || stop_) return;
  if (++passesSinceCheck_ < kPassesPerReturnCheck) return;
  passesSinceCheck_ = 0;
  if (returnCheck_()) returnReported_ = Deliver({Notification::Kind::DeviceBack, 0, 0, {}});
}

bool Dispatcher::Deliver(Notification notification, bool readAheadNow) {
  if (stop_) return false;
  const auto readAhead = [this] {
    readingAhead_ = true;
    Signal(readAheadFd_);
  };
  if (readAheadNow) readAhead();
  const bool delivered =
      channel_.Deliver([this, n = std::move(notification)] { sink_(n); }, readAhead);
  readingAhead_ = false;
  return delivered;
}

}  // namespace ferrotap
