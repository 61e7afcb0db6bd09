// SPDX-License-Identifier: MIT
#include "app/interval_timer.h"

namespace ferrotap {

IntervalTimer::IntervalTimer(QObject* parent) : QObject(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &IntervalTimer::Tick);
}

void IntervalTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled_) {
    Arm();
  } else {
    // Ticks while disabled would be ignored anyway; not waking for them saves a busy 1 ms loop.
    timer_.stop();
  }
}

void IntervalTimer::SetInterval(int milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  if (enabled_) Arm();
}

void IntervalTimer::Arm() {
  timer_.stop();
  if (interval_ <= 0 || !enabled_) return;
  deadline_ = Clock::now() + std::chrono::milliseconds(interval_);
  timer_.start(interval_);
}

void IntervalTimer::Tick() {
  const auto now = Clock::now();
  if (now < deadline_) {
    // The event loop may wake a little early; wait out the rest so a tick is never early.
    const auto rest = std::chrono::duration_cast<std::chrono::microseconds>(deadline_ - now);
    timer_.start(static_cast<int>((rest.count() + 999) / 1000));
    return;
  }
  // Periodic: the next tick is measured from this deadline, not from the late wake-up.
  deadline_ += std::chrono::milliseconds(interval_);
  if (deadline_ < now) deadline_ = now + std::chrono::milliseconds(interval_);
  timer_.start(static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - now).count()));
  if (enabled_ && OnTimer) OnTimer();
}

}  // namespace ferrotap
