// SPDX-License-Identifier: MIT
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
constexpr auto kFlushBound = std::chrono::milliseconds(5000);
// How often the transmitter is asked whether it is empty, and the hand-shake lines whether
// output may go on.
constexpr auto kDrainRecheck = std::chrono::microseconds(100);
constexpr auto kHoldRecheck = std::chrono::milliseconds(2);
// While output follows CTS or DSR, bytes go to the driver in small pieces, so that little is
// beyond holding when the line drops.
constexpr std::size_t kHeldPiece = 16;
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

// ---- input ----

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

// ---- output ----

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
    ::poll(&p, 1, kPassIntervalMs);
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
