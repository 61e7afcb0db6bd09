// SPDX-License-Identifier: MIT
// The dispatcher's modem lines, line errors and triggers, kept under the trigger lock.
#include "serial/dispatcher.h"

namespace ferrotap {

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

}  // namespace ferrotap
