// SPDX-License-Identifier: MIT
#include "serial/com_port.h"

#include <algorithm>

#include "serial/com_port_error.h"
#include "serial/device_return.h"
#include "serial/dispatcher.h"
#include "serial/port_map.h"
#include "serial/serial_device.h"

namespace ferrotap {

ComPort::ComPort(NotificationChannelFactory channels, std::string exeDir)
    : channelFactory_(std::move(channels)), exeDir_(std::move(exeDir)) {}

ComPort::~ComPort() {
  *self_ = nullptr;
  if (dispatcher_) {
    dispatcher_->RequestStop();
    dispatcher_->Join();
    dispatcher_.reset();
  }
}

std::string ComPort::DevicePath() const {
  if (!pathOverride_.empty()) return pathOverride_;
  return ResolveDevicePath(comNumber_, exeDir_);
}

void ComPort::AddListener(PortListener* listener) {
  listeners_.push_back(listener);
}

void ComPort::RemoveListener(PortListener* listener) {
  std::erase(listeners_, listener);
}

void ComPort::SetOpen(bool open) {
  if (open) {
    DoOpen();
  } else {
    DoClose();
  }
}

void ComPort::DoOpen() {
  if (state_ == State::ShuttingDown) {
    openPending_ = true;
    return;
  }
  if (state_ == State::Open) return;
  if (comNumber_ == 0 && pathOverride_.empty()) {
    if (!promptForPort_ || !prompter_) {
      throw ComPortError(kErrNoPortSelected, "no serial port selected");
    }
    const std::optional<uint16_t> chosen = prompter_(OpenablePortNumbers(exeDir_));
    if (!chosen || *chosen == 0) throw ComPortError(kErrNoPortSelected, "no serial port selected");
    comNumber_ = *chosen;
  }
  const bool reconnecting = !returnPath_.empty();
  const std::string path = reconnecting ? returnPath_ : DevicePath();
  returnPath_.clear();
  OpenDevice(path);
  if (reconnecting && OnReconnected) OnReconnected(*this, path);
}

void ComPort::OpenDevice(const std::string& path) {
  std::unique_ptr<SerialDevice> device = OpenSerialDevice(path);
  device->ApplyLine(CurrentLine());
  auto channel = channelFactory_();
  dispatcher_ =
      std::make_unique<Dispatcher>(std::move(device), outSize_, *channel,
                                   [this](const Notification& n) { HandleNotification(n); });
  channel_ = std::move(channel);
  if (mostNotified_ != 0) dispatcher_->SetMostNotified(mostNotified_);
  // Taken now: once the device is gone, its links no longer lead to it.
  openedLinks_ = StableLinks(path, linkDir_);
  dispatcher_->SetReturnCheck(
      [path, links = openedLinks_] { return !ReturnedDevicePath(path, links).empty(); });
  openedPath_ = path;
  appliedLine_ = CurrentLine();
  state_ = State::Open;
  lost_ = false;
  rtsRefused_ = false;
  try {
    force_ = true;
    SetHWFlowOptions(flow_.hwOptions);
    SetSWFlowOptions(flow_.swOptions);
    SetXOnChar(flow_.xOnChar);
    SetXOffChar(flow_.xOffChar);
    SetDTR(dtr_);
    SetRTS(rts_);
    SetRS485Mode(flow_.rs485);
    force_ = false;
  } catch (...) {
    force_ = false;
    state_ = State::Closed;
    dispatcher_.reset();
    channel_.reset();
    appliedLine_.reset();
    throw;
  }
  open_ = true;
  if (restoreTriggers_) dispatcher_->RestoreTriggers(savedTriggers_);
  restoreTriggers_ = false;
  dispatcher_->Start();
  for (PortListener* listener : std::vector<PortListener*>(listeners_)) listener->PortOpened(*this);
}

void ComPort::DoClose() {
  if (state_ != State::Open) return;
  state_ = State::ShuttingDown;
  savedTriggers_ = dispatcher_->SaveTriggers();
  dispatcher_->RequestStop();
  // Inside one of our handlers the reader thread waits for us: finish after it has returned.
  if (handlerDepth_ > 0) {
    PostFinishClose();
    return;
  }
  FinishClose();
}

void ComPort::PostFinishClose() {
  if (finishPosted_) return;
  finishPosted_ = true;
  std::weak_ptr<ComPort*> weak = self_;
  channel_->Post([weak] {
    auto self = weak.lock();
    if (!self || *self == nullptr) return;
    ComPort* port = *self;
    port->finishPosted_ = false;
    // Still inside a handler (a nested event loop): HandleNotification posts again on return.
    if (port->handlerDepth_ == 0 && port->state_ == State::ShuttingDown) port->FinishClose();
  });
}

void ComPort::FinishClose() {
  dispatcher_->Join();
  dispatcher_.reset();
  channel_.reset();
  appliedLine_.reset();
  state_ = State::Closed;
  open_ = false;
  for (PortListener* listener : std::vector<PortListener*>(listeners_)) listener->PortClosed(*this);
  if (openPending_) {
    openPending_ = false;
    if (returnPath_.empty()) {
      DoOpen();
      return;
    }
    try {
      DoOpen();
    } catch (const ComPortError& error) {
      returnPath_.clear();
      restoreTriggers_ = false;
      if (OnDeviceLost) OnDeviceLost(*this, error.what());
    }
  }
}

Dispatcher* ComPort::Obtain() {
  if (state_ == State::ShuttingDown) return nullptr;
  if (state_ == State::Closed && autoOpen_) DoOpen();
  if (state_ != State::Open) {
    throw ComPortError(kErrNotOpen, "serial port " + std::to_string(comNumber_) + " (" +
                                        DevicePath() + ") is not open");
  }
  return dispatcher_.get();
}

void ComPort::HandleNotification(const Notification& n) {
  struct Depth {
    ComPort* port;
    explicit Depth(ComPort* p) : port(p) { ++port->handlerDepth_; }
    ~Depth() {
      if (--port->handlerDepth_ == 0 && port->state_ == State::ShuttingDown) {
        port->PostFinishClose();
      }
    }
  } depth(this);
  if (state_ != State::Open) return;
  switch (n.kind) {
    case Notification::Kind::Data:
      if (OnTriggerAvail) OnTriggerAvail(*this, n.value);
      break;
    case Notification::Kind::Timer:
      if (OnTriggerTimer) OnTriggerTimer(*this, n.value);
      break;
    case Notification::Kind::Status:
      if (OnTriggerStatus) OnTriggerStatus(*this, n.value);
      if (state_ != State::Open) break;
      if (n.statusKind == stModemStatus) {
        if (OnTriggerModemStatus) OnTriggerModemStatus(*this);
      } else if (n.statusKind == stLineStatus) {
        const bool lineBreak = ReadLineBreak();
        const uint16_t error = ReadLineError();
        if (OnTriggerLineError) OnTriggerLineError(*this, error, lineBreak);
      }
      break;
    case Notification::Kind::DeviceLost:
      // What waits in the output ring was meant for the line as it was: it must not reach the
      // device when it comes back.
      lost_ = true;
      dispatcher_->ClearOutput();
      if (OnDeviceLost) OnDeviceLost(*this, n.reason);
      break;
    case Notification::Kind::DeviceBack:
      Reconnect();
      break;
  }
}

void ComPort::Reconnect() {
  const std::string path = ReturnedDevicePath(openedPath_, openedLinks_);
  if (path.empty()) return;
  // The open follows once the close has completed (after this notification), and reports
  // itself through OnReconnected, or a failure through OnDeviceLost.
  restoreTriggers_ = true;
  returnPath_ = path;
  openPending_ = true;
  DoClose();
}

void ComPort::WriteString(std::string_view bytes) {
  if (bytes.empty()) return;
  CheckCanSend();
  Dispatcher* d = Obtain();
  if (d == nullptr) return;
  if (!d->WriteString(bytes)) {
    throw ComPortError(kErrOutputBufferTooSmall, DevicePath() + ": output buffer too small for " +
                                                     std::to_string(bytes.size()) + " bytes");
  }
}

void ComPort::CheckCanSend() {
  if (state_ == State::Open && lost_) {
    throw ComPortError(kErrNotOpen, "serial port " + std::to_string(comNumber_) + " (" +
                                        openedPath_ + ") is lost: nothing was sent");
  }
  if (state_ != State::Open && !autoOpen_) Obtain();
}

uint8_t ComPort::ReadChar() {
  Dispatcher* d = Obtain();
  if (d == nullptr) return 0;
  const std::optional<uint8_t> byte = d->ReadChar();
  if (!byte) throw ComPortError(kErrBufferEmpty, DevicePath() + ": no received byte to read");
  return *byte;
}

std::string ComPort::ReadString(std::size_t count, ReadMarks* marks) {
  Dispatcher* d = Obtain();
  return d == nullptr ? std::string() : d->ReadString(count, marks);
}

void ComPort::ClearInput() {
  if (Dispatcher* d = Obtain()) d->ClearInput();
}

void ComPort::ClearOutput() {
  if (Dispatcher* d = Obtain()) d->ClearOutput();
}

std::size_t ComPort::BytesAvailable() {
  Dispatcher* d = Obtain();
  return d == nullptr ? 0 : d->BytesAvailable();
}

std::size_t ComPort::OutputPending() {
  Dispatcher* d = Obtain();
  return d == nullptr ? 0 : d->OutputPending();
}

bool ComPort::AllSent() {
  return state_ != State::Open || dispatcher_->AllSent();
}

std::size_t ComPort::OutputFree() {
  return state_ == State::Open && !lost_ ? dispatcher_->OutputFree() : 0;
}

bool ComPort::WhenOutputFree(std::size_t bytes, std::function<void()> wake) {
  return state_ == State::Open && !lost_ && dispatcher_->WhenOutputFree(bytes, std::move(wake));
}

uint8_t ComPort::ModemLevels() {
  if (state_ != State::Open) return 0;
  return dispatcher_->RefreshModemStatus();
}

bool ComPort::CTS() {
  return (ModemLevels() & kModemCts) != 0;
}
bool ComPort::DSR() {
  return (ModemLevels() & kModemDsr) != 0;
}
bool ComPort::DCD() {
  return (ModemLevels() & kModemDcd) != 0;
}

bool ComPort::RI() {
  if (state_ != State::Open) return false;
  dispatcher_->RefreshModemStatus();
  return dispatcher_->TakeRing();
}

uint16_t ComPort::NewTimerTrigger() {
  Dispatcher* d = Obtain();
  return d == nullptr ? 0 : d->NewTimerTrigger();
}

void ComPort::ArmTimerTrigger(uint16_t handle, uint32_t ticks, bool activate) {
  if (Dispatcher* d = Obtain()) d->ArmTimerTrigger(handle, ticks, activate);
}

uint16_t ComPort::NewStatusTrigger(uint8_t kind) {
  Dispatcher* d = Obtain();
  return d == nullptr ? 0 : d->NewStatusTrigger(kind);
}

void ComPort::ArmStatusTrigger(uint16_t handle, uint16_t value, bool activate) {
  if (Dispatcher* d = Obtain()) d->ArmStatusTrigger(handle, value, activate);
}

void ComPort::RemoveTrigger(uint16_t handle) {
  if (Dispatcher* d = Obtain()) d->RemoveTrigger(handle);
}

uint16_t ComPort::ReadLineError() {
  Dispatcher* d = Obtain();
  return d == nullptr ? 0 : d->ReadLineError();
}

bool ComPort::ReadLineBreak() {
  Dispatcher* d = Obtain();
  return d != nullptr && d->ReadLineBreak();
}

}  // namespace ferrotap
