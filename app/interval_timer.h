// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

namespace ferrotap {

// A periodic timer on the user-interface thread whose ticks never come before the interval has
// passed. Setting a property to the value it has does nothing; enabling, or changing the interval
// while enabled, re-arms it from that moment; disabling only stops the ticks from being handled.
class IntervalTimer : public QObject {
  Q_OBJECT

 public:
  explicit IntervalTimer(QObject* parent = nullptr);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  int Interval() const { return interval_; }
  void SetInterval(int milliseconds);

  std::function<void()> OnTimer;

 private:
  void Arm();
  void Tick();

  using Clock = std::chrono::steady_clock;
  QTimer timer_;
  bool enabled_ = true;
  int interval_ = 1000;
  Clock::time_point deadline_;
};

}  // namespace ferrotap
