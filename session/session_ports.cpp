// SPDX-License-Identifier: MIT
#include <array>
#include <iterator>
#include <string_view>

#include "serial/com_port.h"
#include "serial/com_port_error.h"
#include "serial/port_settings_choice.h"
#include "session/file_send.h"
#include "session/session.h"
#include "session/session_parts.h"
#include "simulation/escape.h"

namespace ferrotap {
namespace {

constexpr uint16_t kLineStatusAll = 15;  // overrun, parity, framing and break
constexpr uint8_t kStatusModem = 1;
constexpr uint8_t kStatusLine = 2;
constexpr uint16_t kCtsMask = 16;

// The item a selector's text selects, or -1 when it matches none.
template <std::size_t N>
int ItemIndex(const std::string& text, const char* const (&items)[N]) {
  for (std::size_t i = 0; i < N; ++i) {
    if (text == items[i]) return static_cast<int>(i);
  }
  return -1;
}

PortLineSettings LineOf(const CpsSettings& s, const std::string& comText) {
  return PortLineSettingsFromControls(comText, s.baudRate, s.dataBits, -1, s.parity, s.stopBits);
}

void SetLine(ComPort& port, const PortLineSettings& line, const std::string& path) {
  port.SetDevicePathOverride(path);
  port.SetComNumber(line.comNumber);
  port.SetBaud(line.baud);
  port.SetDataBits(line.dataBits);
  port.SetParity(line.parity);
  port.SetStopBits(line.stopBits);
}

}  // namespace

void Session::ConfigurePorts(const CpsSettings& s, const PortPaths& paths) {
  ComPort& a = *portA_;
  SetLine(a, LineOf(s, s.comPortA), paths.a);
  a.SetInSize(static_cast<uint16_t>(s.inBuffer));
  a.SetOutSize(static_cast<uint16_t>(s.outBuffer));

  const int method = ItemIndex(s.rs485Method, kRs485Methods);
  if (s.rs485Mode) {
    if (method == 0) a.SetRS485Mode(true);
    if (method == 1) {
      // The driver's RS-485 mode of an earlier "via Driver" would keep RTS from the timed switch.
      a.SetRS485Mode(false);
      a.SetRTS(false);
    }
  } else {
    // Whichever method is selected, an unchecked "RS-485 mode active" leaves no RS-485 mode
    // behind in the driver: it would keep RTS to itself.
    a.SetRS485Mode(false);
    if (method == 1) a.SetRTS(true);
  }

  if (s.flowControl == FlowControlChoice::Hardware) {
    a.SetSWFlowOptions(swfNone);
    const int inSize = a.InSize();
    a.SetBufferFull(static_cast<uint16_t>(inSize * s.bufferFullPercent / 100));
    a.SetBufferResume(static_cast<uint16_t>(inSize * s.bufferResumePercent / 100));
    uint8_t options = 0;
    if (s.useDtr) options |= hwfUseDTR;
    if (s.useRts) options |= hwfUseRTS;
    if (s.requireDsr) options |= hwfRequireDSR;
    if (s.requireCts) options |= hwfRequireCTS;
    a.SetHWFlowOptions(options);
  } else if (s.flowControl == FlowControlChoice::Software) {
    a.SetHWFlowOptions(0);
    static constexpr SWFlowOptions kDirections[] = {swfReceive, swfTransmit, swfBoth};
    const int direction = ItemIndex(s.softwareFlowFor, kSoftwareFlowDirections);
    a.SetSWFlowOptions(direction >= 0 ? kDirections[direction] : swfBoth);
    if (const auto c = DecodeEscapedChar(s.xoffChar)) {
      a.SetXOffChar(*c);
    } else {
      output_.Error("Bed XOff character. Default left (#19)");
    }
    if (const auto c = DecodeEscapedChar(s.xonChar)) {
      a.SetXOnChar(*c);
    } else {
      output_.Error("Bed XOn character. Default left (#17)");
    }
  } else {
    a.SetHWFlowOptions(0);
    a.SetSWFlowOptions(swfNone);
  }
  output_.RtsChanged(a.RTS());
  output_.DtrChanged(a.DTR());

  spy_ = s.spyMode;
  if (spy_) {
    SetLine(*portB_, LineOf(s, s.comPortB), paths.b);
    portB_->SetInSize(a.InSize());
    portB_->SetOutSize(a.OutSize());
  }
}

void Session::OpenPorts() {
  OpenPortA();
  // Fails with "not open" when port A did not open: the rest, port B included, does not run.
  portA_->ClearInput();
  portA_->ClearOutput();
  if (spy_) OpenPortB();

  lineTriggerA_ = portA_->NewStatusTrigger(kStatusLine);
  portA_->ArmStatusTrigger(lineTriggerA_, kLineStatusAll, true);
  // Told once per device, not at every apply.
  const std::string path = portA_->DevicePath();
  if (portA_->Rs485ByProgram() && rs485NoticeShownFor_ != path) {
    rs485NoticeShownFor_ = path;
    output_.Info("The driver of " + path +
                 " has no RS-485 mode.\nRTS is raised and dropped by Ferrotap around each "
                 "transmission instead.");
  }
}

void Session::ApplyPortSettings(const CpsSettings& settings, const PortPaths& paths) {
  ConfigurePorts(settings, paths);
  OpenPorts();
}

void Session::OpenPortA() {
  try {
    portA_->SetOpen(true);
    rtsRefusalSaid_ = false;
    output_.PortOpened(SessionPort::A);
    const uint16_t packTrigger = portA_->NewTimerTrigger();
    const uint16_t handShakeTrigger = portA_->NewTimerTrigger();
    decoderA_->SetTriggers(packTrigger, handShakeTrigger);
    modemTriggerA_ = portA_->NewStatusTrigger(kStatusModem);
    ctsSeenA_.reset();
    RoleChanged();
  } catch (const ComPortError& error) {
    output_.PortOpenFailed(SessionPort::A);
    output_.Error(std::string("Com A open error\n") + error.what());
  }
}

void Session::OpenPortB() {
  try {
    portB_->SetOpen(true);
    output_.PortOpened(SessionPort::B);
    decoderB_->SetTriggers(portB_->NewTimerTrigger(), 0);
    portB_->ClearInput();
    portB_->ClearOutput();
    lineTriggerB_ = portB_->NewStatusTrigger(kStatusLine);
    portB_->ArmStatusTrigger(lineTriggerB_, kLineStatusAll, true);
  } catch (const ComPortError& error) {
    output_.PortOpenFailed(SessionPort::B);
    output_.Error(std::string("Com B open error\n") + error.what());
  }
}

void Session::ClosePorts() {
  fileSend_->PortGoes(FileSendEnd::PortClosed);
  sendsAfterSilence_.clear();
  silenceSendTimer_->Stop();
  Report(exchange_.Abandon("ports closed"));
  portA_->SetOpen(false);
  portB_->SetOpen(false);
  output_.PortClosed(SessionPort::A);
  output_.PortClosed(SessionPort::B);
}

void Session::RoleChanged() {
  if (portA_->PortState() != ComPort::State::Open || modemTriggerA_ == 0) return;
  Snapshot snapshot(*this);
  portA_->ArmStatusTrigger(modemTriggerA_, kCtsMask, Options().role != SimulationRole::Slave);
}

bool Session::SetRtsA(bool on) {
  portA_->SetRTS(on);
  output_.RtsChanged(portA_->RTS());
  return portA_->RTS() == on && !portA_->RtsRefused();
}

void Session::SetDtrA(bool on) {
  portA_->SetDTR(on);
  output_.DtrChanged(portA_->DTR());
}

}  // namespace ferrotap
