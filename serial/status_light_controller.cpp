// SPDX-License-Identifier: MIT
#include "serial/status_light_controller.h"

#include "serial/com_port_error.h"

namespace ferrotap {
namespace {

constexpr uint16_t kErrorValue = 7;  // overrun, parity, framing
constexpr uint16_t kBreakValue = 8;

}  // namespace

StatusLightController::StatusLightController(ComPort* port) {
  SetComPort(port);
}

StatusLightController::~StatusLightController() {
  if (port_ == nullptr) return;
  if (watching_) StopWatching();
  port_->RemoveListener(this);
}

void StatusLightController::SetComPort(ComPort* port) {
  if (port == port_) return;
  if (port_ != nullptr) {
    if (watching_) StopWatching();
    port_->RemoveListener(this);
  }
  port_ = port;
  if (port_ != nullptr) port_->AddListener(this);
}

bool StatusLightController::Assigned(Light light) const {
  const std::function<void(bool)>* sinks[kLightCount] = {
      &lights_.CTSLight, &lights_.DSRLight, &lights_.DCDLight,   &lights_.RINGLight,
      &lights_.TXDLight, &lights_.RXDLight, &lights_.ERRORLight, &lights_.BREAKLight};
  return static_cast<bool>(*sinks[light]);
}

void StatusLightController::SetLight(Light light, bool lit) {
  lit_[light] = lit;
  const std::function<void(bool)>* sinks[kLightCount] = {
      &lights_.CTSLight, &lights_.DSRLight, &lights_.DCDLight,   &lights_.RINGLight,
      &lights_.TXDLight, &lights_.RXDLight, &lights_.ERRORLight, &lights_.BREAKLight};
  if (*sinks[light]) (*sinks[light])(lit);
}

void StatusLightController::SetWatching(bool on) {
  if (on == watching_) {
    if (!on) pending_ = false;
    return;
  }
  if (port_ == nullptr) throw ComPortError(kErrPortNotAssigned, "status lights: no port assigned");
  if (port_->PortState() != ComPort::State::Open) {
    pending_ = on;
    return;
  }
  if (on) {
    StartWatching();
  } else {
    StopWatching();
  }
}

void StatusLightController::StartWatching() {
  savedAvail_ = port_->OnTriggerAvail;
  savedStatus_ = port_->OnTriggerStatus;
  savedTimer_ = port_->OnTriggerTimer;
  try {
    CreateTriggers();
  } catch (...) {
    RemoveTriggers();
    throw;
  }
  port_->OnTriggerAvail = [this](ComPort& p, uint16_t count) { OnAvail(p, count); };
  port_->OnTriggerStatus = [this](ComPort& p, uint16_t handle) { OnStatus(p, handle); };
  port_->OnTriggerTimer = [this](ComPort& p, uint16_t handle) { OnTimer(p, handle); };
  watching_ = true;
  RefreshLamps();
}

void StatusLightController::StopWatching() {
  port_->OnTriggerAvail = savedAvail_;
  port_->OnTriggerStatus = savedStatus_;
  port_->OnTriggerTimer = savedTimer_;
  savedAvail_ = nullptr;
  savedStatus_ = nullptr;
  savedTimer_ = nullptr;
  if (port_->PortState() == ComPort::State::Open) RemoveTriggers();
  watching_ = false;
  RefreshLamps();
}

void StatusLightController::CreateTriggers() {
  modemTrigger_ = ringTimer_ = errorTrigger_ = errorTimer_ = 0;
  breakTrigger_ = breakTimer_ = rxTimer_ = txTrigger_ = txTimer_ = 0;
  modemMask_ = 0;
  if (Assigned(kCts)) modemMask_ |= kModemCts;
  if (Assigned(kDsr)) modemMask_ |= kModemDsr;
  if (Assigned(kDcd)) modemMask_ |= kModemDcd;
  if (Assigned(kRing)) modemMask_ |= kModemRingSeen;
  if (modemMask_ != 0) {
    modemTrigger_ = port_->NewStatusTrigger(stModemStatus);
    port_->ArmStatusTrigger(modemTrigger_, modemMask_, true);
    if (Assigned(kRing)) ringTimer_ = port_->NewTimerTrigger();
  }
  if (Assigned(kError)) {
    errorTrigger_ = port_->NewStatusTrigger(stLineStatus);
    port_->ArmStatusTrigger(errorTrigger_, kErrorValue, true);
    errorTimer_ = port_->NewTimerTrigger();
  }
  if (Assigned(kBreak)) {
    breakTrigger_ = port_->NewStatusTrigger(stLineStatus);
    port_->ArmStatusTrigger(breakTrigger_, kBreakValue, true);
    breakTimer_ = port_->NewTimerTrigger();
  }
  if (Assigned(kRxd)) rxTimer_ = port_->NewTimerTrigger();
  if (Assigned(kTxd)) {
    txTrigger_ = port_->NewStatusTrigger(stOutputSent);
    port_->ArmStatusTrigger(txTrigger_, 0, true);
    txTimer_ = port_->NewTimerTrigger();
  }
}

void StatusLightController::RemoveTriggers() {
  for (uint16_t* handle : {&modemTrigger_, &ringTimer_, &errorTrigger_, &errorTimer_,
                           &breakTrigger_, &breakTimer_, &rxTimer_, &txTrigger_, &txTimer_}) {
    if (*handle != 0) port_->RemoveTrigger(*handle);
    *handle = 0;
  }
}

void StatusLightController::RefreshLamps() {
  for (int light = 0; light < kLightCount; ++light) {
    if (Assigned(static_cast<Light>(light))) SetLight(static_cast<Light>(light), false);
  }
  if (!watching_) return;
  if (Assigned(kCts)) SetLight(kCts, port_->CTS());
  if (Assigned(kDsr)) SetLight(kDsr, port_->DSR());
  if (Assigned(kDcd)) SetLight(kDcd, port_->DCD());
}

void StatusLightController::PortOpened(ComPort&) {
  if (!pending_) return;
  pending_ = false;
  StartWatching();
}

void StatusLightController::PortClosed(ComPort&) {
  pending_ = watching_;
  if (watching_) StopWatching();
}

void StatusLightController::OnAvail(ComPort& port, uint16_t count) {
  if (Assigned(kRxd) && !lit_[kRxd]) {
    SetLight(kRxd, true);
    port.ArmTimerTrigger(rxTimer_, RXDOffTimeout, true);
  }
  if (savedAvail_) savedAvail_(port, count);
}

void StatusLightController::OnStatus(ComPort& port, uint16_t handle) {
  if (handle == modemTrigger_) {
    if (Assigned(kDcd) && port.DCD() != lit_[kDcd]) SetLight(kDcd, !lit_[kDcd]);
    if (Assigned(kCts) && port.CTS() != lit_[kCts]) SetLight(kCts, !lit_[kCts]);
    if (Assigned(kDsr) && port.DSR() != lit_[kDsr]) SetLight(kDsr, !lit_[kDsr]);
    if (Assigned(kRing) && port.RI()) {
      SetLight(kRing, true);
      port.ArmTimerTrigger(ringTimer_, RingOffTimeout, true);
    }
    port.ArmStatusTrigger(modemTrigger_, modemMask_, true);
  } else if (handle == errorTrigger_) {
    SetLight(kError, true);
    port.ArmTimerTrigger(errorTimer_, ErrorOffTimeout, true);
    port.ReadLineError();
  } else if (handle == breakTrigger_) {
    SetLight(kBreak, true);
    port.ArmTimerTrigger(breakTimer_, BreakOffTimeout, true);
    port.ReadLineBreak();
  } else if (handle == txTrigger_) {
    SetLight(kTxd, true);
    port.ArmTimerTrigger(txTimer_, TXDOffTimeout, true);
  }
  if (savedStatus_) savedStatus_(port, handle);
}

void StatusLightController::OnTimer(ComPort& port, uint16_t handle) {
  if (handle == errorTimer_) {
    SetLight(kError, false);
    port.ArmStatusTrigger(errorTrigger_, kErrorValue, true);
  } else if (handle == breakTimer_) {
    SetLight(kBreak, false);
    port.ArmStatusTrigger(breakTrigger_, kBreakValue, true);
  } else if (handle == rxTimer_) {
    if (port.BytesAvailable() > 0) {
      port.ArmTimerTrigger(rxTimer_, RXDOffTimeout, true);
    } else {
      SetLight(kRxd, false);
    }
  } else if (handle == txTimer_) {
    if (port.OutputPending() > 0) {
      port.ArmTimerTrigger(txTimer_, TXDOffTimeout, true);
    } else {
      SetLight(kTxd, false);
      port.ArmStatusTrigger(txTrigger_, 0, true);
    }
  } else if (handle == ringTimer_) {
    SetLight(kRing, false);
  }
  if (savedTimer_) savedTimer_(port, handle);
}

}  // namespace ferrotap
