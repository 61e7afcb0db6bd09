#include "serial/dispatcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <utility>

namespace ferrotap {
namespace {

constexpr int kPassIntervalMs = 50;
constexpr auto kFlushBound = std::chrono::milliseconds(5000);

}  // namespace

Dispatcher::Dispatcher(std::unique_ptr<SerialDevice> device, std::size_t outSize,
                       NotificationChannel& channel, Sink sink)
    : device_(std::move(device)),
      channel_(channel),
      sink_(std::move(sink)),
      wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      output_(outSize) {}

Dispatcher::~Dispatcher() {
  RequestStop();
  Join();
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void Dispatcher::Start() {
  RefreshModemStatus();
  reader_ = std::thread([this] { ReaderLoop(); });
  writer_ = std::thread([this] { WriterLoop(); });
}

void Dispatcher::RequestStop() {
  stop_ = true;
  channel_.Shut();
  Wake();
  std::lock_guard lock(outputMutex_);
  outputChanged_.notify_all();
}

void Dispatcher::Join() {
  if (reader_.joinable()) reader_.join();
  if (writer_.joinable()) writer_.join();
}

void Dispatcher::Wake() {
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

// ---- input ----

std::optional<uint8_t> Dispatcher::ReadChar() {
  bool wasFull = false;
  uint8_t byte = 0;
  {
    std::lock_guard lock(inputMutex_);
    if (input_.Used() == 0) return std::nullopt;
    wasFull = input_.Full();
    byte = input_.Pop();
  }
  // The reader stops watching the device while the ring is full.
  if (wasFull) Wake();
  return byte;
}

std::string Dispatcher::ReadString(std::size_t count) {
  std::string bytes;
  bool wasFull = false;
  {
    std::lock_guard lock(inputMutex_);
    wasFull = input_.Full();
    count = std::min(count, input_.Used());
    bytes.reserve(count);
    while (bytes.size() < count) {
      const auto [data, size] = input_.ReadableSpan();
      const std::size_t take = std::min(size, count - bytes.size());
      bytes.append(data, take);
      input_.CommitTake(take);
    }
  }
  if (wasFull && !bytes.empty()) Wake();
  return bytes;
}

std::size_t Dispatcher::BytesAvailable() {
  std::lock_guard lock(inputMutex_);
  return input_.Used();
}

void Dispatcher::ClearInput() {
  {
    std::lock_guard lock(inputMutex_);
    input_.Clear();
    notifiedPut_ = input_.TotalPut();
  }
  device_->PurgeInput();
  Wake();
}

void Dispatcher::ReadDevice() {
  for (;;) {
    std::pair<char*, std::size_t> span;
    {
      std::lock_guard lock(inputMutex_);
      if (input_.Full()) return;
      span = input_.WritableSpan();
    }
    // The free part is only written here, so it is filled outside the lock.
    const IoResult result = device_->Read(span.first, span.second);
    if (result.status == IoResult::Status::Ok && result.count > 0) {
      std::lock_guard lock(inputMutex_);
      input_.CommitPut(result.count);
      continue;
    }
    if (result.status == IoResult::Status::Lost) {
      readLost_ = true;
      readLostReason_ = result.reason;
    }
    return;
  }
}

// ---- output ----

bool Dispatcher::WriteString(std::string_view bytes) {
  {
    std::lock_guard lock(outputMutex_);
    if (!output_.Push(bytes)) return false;
    outputChanged_.notify_all();
  }
  outputSent_ = true;
  return true;
}

std::size_t Dispatcher::OutputPending() {
  std::lock_guard lock(outputMutex_);
  return output_.Used();
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

void Dispatcher::WaitTransmitEmpty(int32_t baud) {
  for (int i = 0; i < 5000; ++i) {
    if (OutputPending() == 0 && device_->OutputQueued() == 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (baud > 0) std::this_thread::sleep_for(std::chrono::microseconds(180'000'000LL / baud));
}

void Dispatcher::WriterLoop() {
  std::unique_lock lock(outputMutex_);
  for (;;) {
    outputChanged_.wait(
        lock, [this] { return stop_ || (output_.Used() > 0 && !flushing_ && !writeLost_); });
    if (stop_) return;
    // Bytes between take and put are only read here; WriteString fills the free part.
    const auto [data, size] = output_.ReadableSpan();
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
      ::poll(&p, 1, kPassIntervalMs);
      lock.lock();
    }
  }
}

// ---- modem lines and errors ----

uint8_t Dispatcher::RefreshModemStatus() {
  const uint8_t lines = device_->ModemLines();
  std::lock_guard lock(triggerMutex_);
  const uint8_t old = modemStatus_;
  uint8_t changes = old & 0x0F;
  if ((old ^ lines) & kModemCts) changes |= kModemCtsChanged;
  if ((old ^ lines) & kModemDsr) changes |= kModemDsrChanged;
  if ((old ^ lines) & kModemDcd) changes |= kModemDcdChanged;
  if ((lines & kModemRing) && !(old & kModemRing)) changes |= kModemRingSeen;
  modemStatus_ = static_cast<uint8_t>(lines | changes);
  return modemStatus_;
}

bool Dispatcher::TakeRing() {
  std::lock_guard lock(triggerMutex_);
  const bool ring = (modemStatus_ & kModemRingSeen) != 0;
  modemStatus_ &= static_cast<uint8_t>(~kModemRingSeen);
  return ring;
}

void Dispatcher::RefreshLineErrors() {
  const uint8_t bits = device_->TakeLineErrors();
  if (bits == 0) return;
  std::lock_guard lock(triggerMutex_);
  lineErrors_ |= bits;
}

bool Dispatcher::ReadLineBreak() {
  std::lock_guard lock(triggerMutex_);
  const bool brk = (lineErrors_ & kLineBreak) != 0;
  lineErrors_ &= static_cast<uint8_t>(~kLineBreak);
  return brk;
}

uint16_t Dispatcher::ReadLineError() {
  std::lock_guard lock(triggerMutex_);
  uint16_t error = 0;
  if (lineErrors_ & kLineRxOverflow) {
    error = 1;
  } else if (lineErrors_ & kLineOverrun) {
    error = 2;
  } else if (lineErrors_ & kLineParity) {
    error = 3;
  } else if (lineErrors_ & kLineFraming) {
    error = 4;
  } else if (lineErrors_ & kLineBreak) {
    return 9;
  }
  if (error != 0) lineErrors_ &= kLineBreak;
  return error;
}

// ---- triggers ----

uint16_t Dispatcher::NewTimerTrigger() {
  std::lock_guard lock(triggerMutex_);
  return triggers_.NewTimerTrigger();
}

void Dispatcher::ArmTimerTrigger(uint16_t handle, uint32_t ticks, bool activate) {
  std::lock_guard lock(triggerMutex_);
  triggers_.ArmTimerTrigger(handle, ticks, activate, NowTicks());
}

uint16_t Dispatcher::NewStatusTrigger(uint8_t kind) {
  std::lock_guard lock(triggerMutex_);
  return triggers_.NewStatusTrigger(kind);
}

void Dispatcher::ArmStatusTrigger(uint16_t handle, uint16_t value, bool activate) {
  // The modem snapshot is taken against the lines as they are now.
  RefreshModemStatus();
  std::lock_guard lock(triggerMutex_);
  triggers_.ArmStatusTrigger(handle, value, activate, modemStatus_);
}

void Dispatcher::RemoveTrigger(uint16_t handle) {
  std::lock_guard lock(triggerMutex_);
  triggers_.RemoveTrigger(handle);
}

TriggerTable Dispatcher::SaveTriggers() {
  std::lock_guard lock(triggerMutex_);
  return triggers_;
}

void Dispatcher::RestoreTriggers(const TriggerTable& table) {
  std::lock_guard lock(triggerMutex_);
  triggers_ = table;
}

// ---- the reader thread ----

void Dispatcher::ReaderLoop() {
  while (!stop_) {
    bool watchDevice = !readLost_ && !writeLost_;
    if (watchDevice) {
      std::lock_guard lock(inputMutex_);
      watchDevice = !input_.Full();
    }
    // A lost device or a full ring is left out of the poll set, or POLLHUP/POLLIN would spin us.
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {watchDevice ? device_->ReadFd() : -1, POLLIN, 0}};
    ::poll(fds, 2, kPassIntervalMs);
    if (fds[0].revents & POLLIN) {
      uint64_t count = 0;
      [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
    }
    if (stop_) break;
    Pass();
  }
}

void Dispatcher::Pass() {
  RefreshModemStatus();
  RefreshLineErrors();
  RunStatusChecks();
  if (!readLost_) ReadDevice();
  RefreshModemStatus();
  RunStatusChecks();
  while (!stop_ && DataCheck()) {
  }
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
  ReportLoss();
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
  Deliver({Notification::Kind::Status, hit->handle, hit->kind, {}});
  return true;
}

bool Dispatcher::TimerCheck() {
  if (stop_) return false;
  std::optional<uint16_t> handle;
  {
    std::lock_guard lock(triggerMutex_);
    handle = triggers_.CheckTimers(NowTicks());
  }
  if (!handle) return false;
  Deliver({Notification::Kind::Timer, *handle, 0, {}});
  return true;
}

bool Dispatcher::DataCheck() {
  std::size_t count = 0;
  {
    std::lock_guard lock(inputMutex_);
    if (input_.TotalPut() == notifiedPut_ || input_.Used() == 0) return false;
    count = input_.Used();
    notifiedPut_ = input_.TotalPut();
  }
  Deliver({Notification::Kind::Data,
           static_cast<uint16_t>(std::min<std::size_t>(count, 0xFFFF)),
           0,
           {}});
  return true;
}

void Dispatcher::ReportLoss() {
  if (lossReported_ || stop_) return;
  std::string reason;
  if (readLost_) {
    reason = readLostReason_;
  } else if (writeLost_) {
    reason = writeLostReason_;
  } else {
    return;
  }
  lossReported_ = true;
  Deliver({Notification::Kind::DeviceLost, 0, 0, reason});
}

bool Dispatcher::Deliver(Notification notification) {
  if (stop_) return false;
  channel_.Deliver([this, n = std::move(notification)] { sink_(n); });
  return !stop_;
}

}  // namespace ferrotap
