// SPDX-License-Identifier: MIT
#include "serial/trigger_table.h"

#include <algorithm>
#include <chrono>

#include "serial/com_port_error.h"

namespace ferrotap {
namespace {

constexpr uint32_t kCounterLimit = 4096;

// Line-status arming value bits (overrun, parity, framing, break) to line error bits.
uint8_t LineMask(uint16_t value) {
  uint8_t mask = 0;
  if (value & 1) mask |= 0x02;
  if (value & 2) mask |= 0x04;
  if (value & 4) mask |= 0x08;
  if (value & 8) mask |= 0x10;
  return mask;
}

}  // namespace

int64_t NowTicks() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return ms.count() / kTickMs;
}

void TriggerTable::Reset() {
  counter_ = 1;
  timers_.clear();
  statuses_.clear();
}

uint16_t TriggerTable::NextBase() {
  if (counter_ < kCounterLimit) return static_cast<uint16_t>(counter_++ * 8);
  for (uint16_t base = 8; base <= kCounterLimit; base += 8) {
    const auto uses = [base](uint16_t handle) { return (handle & ~7u) == base; };
    const bool taken =
        std::any_of(timers_.begin(), timers_.end(), [&](auto& t) { return uses(t.handle); }) ||
        std::any_of(statuses_.begin(), statuses_.end(), [&](auto& t) { return uses(t.handle); });
    if (!taken) return base;
  }
  throw ComPortError(kErrNoMoreTriggers, "no more triggers");
}

TriggerTable::TimerTrigger* TriggerTable::FindTimer(uint16_t handle) {
  auto it = std::find_if(timers_.begin(), timers_.end(),
                         [handle](const TimerTrigger& t) { return t.handle == handle; });
  return it == timers_.end() ? nullptr : &*it;
}

TriggerTable::StatusTrigger* TriggerTable::FindStatus(uint16_t handle) {
  auto it = std::find_if(statuses_.begin(), statuses_.end(),
                         [handle](const StatusTrigger& t) { return t.handle == handle; });
  return it == statuses_.end() ? nullptr : &*it;
}

uint16_t TriggerTable::NewTimerTrigger() {
  const uint16_t handle = NextBase();
  timers_.push_back({handle, 0, 0, 0, false});
  return handle;
}

void TriggerTable::ArmTimerTrigger(uint16_t handle, uint32_t ticks, bool activate,
                                   int64_t nowTicks) {
  TimerTrigger* timer = FindTimer(handle);
  if (timer == nullptr) {
    throw ComPortError(kErrBadTriggerHandle, "bad timer trigger handle " + std::to_string(handle));
  }
  if (!activate) {
    timer->active = false;
    return;
  }
  if (ticks != 0) timer->length = ticks;
  timer->start = nowTicks;
  timer->expiry = nowTicks + std::min<int64_t>(timer->length, kMaxTimerTicks);
  timer->active = true;
}

uint16_t TriggerTable::NewStatusTrigger(uint8_t kind) {
  if (kind > stOutputSent) {
    throw ComPortError(kErrBadArgument, "bad status trigger kind " + std::to_string(kind));
  }
  const uint16_t handle = static_cast<uint16_t>(NextBase() + kind);
  statuses_.push_back({handle, kind, 0, 0, false, false});
  return handle;
}

void TriggerTable::ArmStatusTrigger(uint16_t handle, uint16_t value, bool activate,
                                    uint8_t modemStatus) {
  StatusTrigger* status = FindStatus(handle);
  if (status == nullptr) {
    throw ComPortError(kErrBadTriggerHandle, "bad status trigger handle " + std::to_string(handle));
  }
  if (activate) {
    switch (status->kind) {
      case stModemStatus:
        status->value = value & 0xFF;
        status->snapshot = static_cast<uint8_t>(value & modemStatus);
        break;
      case stLineStatus:
        status->value = LineMask(value);
        break;
      default:
        status->value = value;
        break;
    }
  }
  status->active = activate;
}

void TriggerTable::RemoveTrigger(uint16_t handle) {
  std::erase_if(timers_, [handle](const TimerTrigger& t) { return t.handle == handle; });
  std::erase_if(statuses_, [handle](const StatusTrigger& t) { return t.handle == handle; });
}

bool TriggerTable::IsStatusTrigger(uint16_t handle) const {
  return std::any_of(statuses_.begin(), statuses_.end(),
                     [handle](const StatusTrigger& t) { return t.handle == handle; });
}

std::optional<StatusHit> TriggerTable::CheckStatus(const StatusInputs& in) {
  for (StatusTrigger& t : statuses_) {
    if (!t.active || t.hit) continue;
    bool holds = false;
    const uint16_t before = t.value;
    switch (t.kind) {
      case stModemStatus:
        holds = ((t.snapshot ^ in.modemStatus) & t.value) != 0;
        break;
      case stLineStatus:
        holds = (t.value & in.lineErrors) != 0;
        // Firing narrows the mask to what was seen: re-arming restores the full watch.
        if (holds) t.value = in.lineErrors;
        break;
      case stOutputFree:
        holds = in.outputFree >= t.value;
        break;
      case stOutputUsed:
        holds = in.outputUsed <= t.value;
        break;
      case stOutputSent:
        holds = in.outputSent;
        break;
      default:
        break;
    }
    if (!holds) continue;
    t.active = false;
    t.hit = true;
    return StatusHit{t.handle, t.kind, before};
  }
  return std::nullopt;
}

std::optional<uint16_t> TriggerTable::CheckTimers(int64_t now) {
  for (TimerTrigger& t : timers_) {
    if (!t.active) continue;
    const bool expired = t.expiry < now || (now < t.start && t.expiry < now + kMaxTimerTicks);
    if (!expired) continue;
    t.active = false;
    return t.handle;
  }
  return std::nullopt;
}

void TriggerTable::ClearHits() {
  for (StatusTrigger& t : statuses_) t.hit = false;
}

void TriggerTable::Unfire(const StatusHit& hit) {
  StatusTrigger* status = FindStatus(hit.handle);
  if (status == nullptr || status->active) return;
  status->value = hit.value;
  status->active = true;
}

void TriggerTable::UnfireTimer(uint16_t handle) {
  TimerTrigger* timer = FindTimer(handle);
  if (timer != nullptr && !timer->active) timer->active = true;
}

}  // namespace ferrotap
