#include "app/window_protocol_output.h"

#include <exception>

#include "app/data_window.h"
#include "app/main_window.h"
#include "app/widgets/status_light.h"
#include "app/status_strip.h"
#include "serial/com_port.h"

namespace ferrotap {

void WindowText::Write(const Bytes& text) {
  if (text.empty()) return;
  if (!buffer_.empty() && bufferColor_ != selected_) Flush();
  bufferColor_ = selected_;
  buffer_ += text;
}

void WindowText::Flush() {
  if (!buffer_.empty()) {
    window_.REA->SetInsertColor(window_.Colors()[bufferColor_]);
    window_.REA->InsertText(buffer_);
    buffer_.clear();
  }
  window_.REA->SetInsertColor(window_.Colors()[selected_]);
}

WindowProtocolOutput::WindowProtocolOutput(MainWindow& window, WindowText& text, bool portA)
    : window_(window), text_(text), portA_(portA) {}

bool WindowProtocolOutput::Transmit(const Bytes& bytes) {
  try {
    window_.SendOnPortA(bytes);
    return true;
  } catch (const std::exception& error) {
    if (sendError_.empty()) sendError_ = error.what();
    return false;
  }
}

ComPort& WindowProtocolOutput::TimerPort() const {
  return portA_ ? *window_.CP1 : *window_.CP2;
}

// A timer of a port that is not open has nothing to time: the handles die with the open.
void WindowProtocolOutput::ArmTimer(uint16_t trigger, int ticks) {
  if (TimerPort().PortState() != ComPort::State::Open) return;
  TimerPort().ArmTimerTrigger(trigger, static_cast<uint32_t>(ticks), true);
}

void WindowProtocolOutput::DisarmTimer(uint16_t trigger) {
  if (TimerPort().PortState() != ComPort::State::Open) return;
  TimerPort().ArmTimerTrigger(trigger, 0, false);
}

void WindowProtocolOutput::SetRtsA(bool on) {
  window_.CP1->SetRTS(on);
  window_.Strip()->RTSLED->SetLit(window_.CP1->RTS());
}

std::string WindowProtocolOutput::TakeSendError() {
  std::string error;
  error.swap(sendError_);
  return error;
}

}  // namespace ferrotap
