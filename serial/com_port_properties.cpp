// SPDX-License-Identifier: MIT
// Property setters of ComPort: store, and apply to the device while open.
#include "serial/com_port.h"
#include "serial/com_port_error.h"
#include "serial/dispatcher.h"

namespace ferrotap {

LineSettings ComPort::CurrentLine() const {
  return {baud_, parity_, dataBits_, EffectiveStopBits(dataBits_, stopBits_)};
}

LineSettings ComPort::Line() const {
  return appliedLine_ ? *appliedLine_ : CurrentLine();
}

void ComPort::ApplyLine() {
  if (state_ != State::Open) return;
  const LineSettings line = CurrentLine();
  if (appliedLine_ && *appliedLine_ == line) return;
  if (appliedLine_) dispatcher_->WaitTransmitEmpty(appliedLine_->baud);
  dispatcher_->Device().ApplyLine(line);
  appliedLine_ = line;
  if (!(flow_.hwOptions & hwfUseDTR)) dispatcher_->Device().SetDtr(dtr_);
  if (!flow_.rs485 && !(flow_.hwOptions & hwfUseRTS)) dispatcher_->SetRts(rts_);
}

void ComPort::ApplyFlow() {
  if (state_ != State::Open) return;
  if (flow_.hwOptions != 0 || flow_.swOptions != swfNone) {
    if (flow_.bufferFull < flow_.bufferResume || flow_.bufferFull > inSize_) {
      throw ComPortError(kErrBadArgument, DevicePath() + ": flow control levels " +
                                              std::to_string(flow_.bufferFull) + "/" +
                                              std::to_string(flow_.bufferResume) +
                                              " do not fit the input size");
    }
  }
  const DriverFlow driver = dispatcher_->Device().ApplyFlow(flow_);
  dispatcher_->SetFlowControl(flow_, driver);
  rs485ByProgram_ = flow_.rs485 && !driver.rs485;
}

void ComPort::DefaultThresholds(double full, double resume) {
  if (flow_.bufferFull == 0 || flow_.bufferFull > inSize_) {
    flow_.bufferFull = static_cast<uint16_t>(full * inSize_);
  }
  if (flow_.bufferResume == 0 || flow_.bufferResume > flow_.bufferFull) {
    flow_.bufferResume = static_cast<uint16_t>(resume * inSize_);
  }
}

void ComPort::SetComNumber(uint16_t number) {
  if (number == comNumber_ && !force_) return;
  if (state_ != State::Open) {
    comNumber_ = number;
    return;
  }
  DoClose();
  comNumber_ = number;
  restoreTriggers_ = true;
  DoOpen();
}

void ComPort::SetBaud(int32_t baud) {
  if (baud == baud_ && !force_) return;
  baud_ = baud;
  ApplyLine();
}

void ComPort::SetParity(ferrotap::Parity parity) {
  if (parity == parity_ && !force_) return;
  parity_ = parity;
  ApplyLine();
}

void ComPort::SetDataBits(uint16_t bits) {
  if (bits == dataBits_ && !force_) return;
  dataBits_ = bits;
  ApplyLine();
}

void ComPort::SetStopBits(uint16_t bits) {
  if (bits == stopBits_ && !force_) return;
  stopBits_ = bits;
  ApplyLine();
}

// Linux has no settable driver queue sizes: InSize only scales the flow-control levels and
// OutSize sizes the output ring at the next open.
void ComPort::SetInSize(uint16_t size) {
  inSize_ = size;
}
void ComPort::SetOutSize(uint16_t size) {
  outSize_ = size;
}

void ComPort::SetDTR(bool on) {
  if (on == dtr_ && !force_) return;
  if (flow_.hwOptions & hwfUseDTR) return;
  if (state_ == State::Open) {
    if (dispatcher_->Device().SetDtr(on)) dtr_ = on;
  } else {
    dtr_ = on;
  }
}

void ComPort::SetRTS(bool on) {
  if (on == rts_ && !force_) return;
  if ((flow_.hwOptions & hwfUseRTS) || flow_.rs485) return;
  if (state_ == State::Open) {
    if (dispatcher_->SetRts(on)) {
      rts_ = on;
    } else {
      rtsRefused_ = true;
    }
  } else {
    rts_ = on;
  }
}

void ComPort::DropRtsWhenSent(int64_t lineTimeUs) {
  if ((flow_.hwOptions & hwfUseRTS) || flow_.rs485) return;
  rts_ = false;
  if (state_ == State::Open) dispatcher_->DropRtsWhenSent(lineTimeUs);
}

void ComPort::SetHWFlowOptions(uint8_t options) {
  if (options == flow_.hwOptions && !force_) return;
  flow_.hwOptions = options;
  if (options != 0) DefaultThresholds(0.9, 0.1);
  if (options & (hwfUseRTS | hwfRequireCTS)) flow_.rs485 = false;
  ApplyFlow();
}

void ComPort::SetSWFlowOptions(ferrotap::SWFlowOptions options) {
  if (options == flow_.swOptions && !force_) return;
  flow_.swOptions = options;
  if (options != swfNone) DefaultThresholds(0.75, 0.25);
  ApplyFlow();
}

void ComPort::SetXOnChar(uint8_t c) {
  if (c == flow_.xOnChar && !force_) return;
  flow_.xOnChar = c;
  ApplyFlow();
}

void ComPort::SetXOffChar(uint8_t c) {
  if (c == flow_.xOffChar && !force_) return;
  flow_.xOffChar = c;
  ApplyFlow();
}

void ComPort::SetBufferFull(uint16_t level) {
  if (level == flow_.bufferFull && !force_) return;
  flow_.bufferFull = level;
  ApplyFlow();
}

void ComPort::SetBufferResume(uint16_t level) {
  if (level == flow_.bufferResume && !force_) return;
  flow_.bufferResume = level;
  ApplyFlow();
}

void ComPort::SetRS485Mode(bool on) {
  if (on == flow_.rs485 && !force_) return;
  if (on) {
    flow_.hwOptions &= static_cast<uint8_t>(~(hwfUseRTS | hwfRequireCTS));
    SetRTS(false);
  }
  flow_.rs485 = on;
  ApplyFlow();
}

}  // namespace ferrotap
