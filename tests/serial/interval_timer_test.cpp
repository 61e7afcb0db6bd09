// SPDX-License-Identifier: MIT
#include <QtTest>

#include <chrono>

#include "app/interval_timer.h"
#include "tests/support/test_registry.h"

using Clock = std::chrono::steady_clock;

namespace {
double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}
}  // namespace

class IntervalTimerTest : public QObject {
  Q_OBJECT

 private slots:
  void ticksNeverBeforeTheInterval() {
    ferrotap::IntervalTimer timer;
    timer.SetEnabled(false);
    for (int interval : {1, 3, 8, 20}) {
      double elapsed = -1;
      const auto start = Clock::now();
      timer.OnTimer = [&] {
        elapsed = MsSince(start);
        timer.SetEnabled(false);
      };
      timer.SetInterval(interval);
      timer.SetEnabled(true);
      QTRY_VERIFY_WITH_TIMEOUT(elapsed >= 0, 5000);
      QVERIFY2(elapsed >= interval, qPrintable(QString("tick after %1 ms").arg(elapsed)));
    }
  }

  void sameIntervalDoesNotRestart() {
    ferrotap::IntervalTimer timer;
    timer.SetEnabled(false);
    int ticks = 0;
    timer.OnTimer = [&] {
      ++ticks;
      timer.SetEnabled(false);
    };
    timer.SetInterval(200);
    timer.SetEnabled(true);
    const auto start = Clock::now();
    QTest::qWait(100);
    timer.SetInterval(200);  // unchanged: keeps the running count
    timer.SetEnabled(true);
    QTRY_COMPARE_WITH_TIMEOUT(ticks, 1, 5000);
    // A restart at 100 ms would have ticked no earlier than 300 ms after the start.
    QVERIFY(MsSince(start) >= 200);
  }

  void changedIntervalRestartsFromNow() {
    ferrotap::IntervalTimer timer;
    timer.SetEnabled(false);
    int ticks = 0;
    timer.OnTimer = [&] {
      ++ticks;
      timer.SetEnabled(false);
    };
    timer.SetInterval(50);
    timer.SetEnabled(true);
    QTest::qWait(20);
    const auto restart = Clock::now();
    timer.SetInterval(120);
    QTRY_COMPARE_WITH_TIMEOUT(ticks, 1, 5000);
    QVERIFY(MsSince(restart) >= 120);
  }

  void disabledTicksAreNotHandled() {
    ferrotap::IntervalTimer timer;
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    timer.SetInterval(5);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 5000);  // periodic while enabled
    timer.SetEnabled(false);
    const int seen = ticks;
    QTest::qWait(50);
    QCOMPARE(ticks, seen);
  }
};

FERROTAP_TEST(IntervalTimerTest)
#include "interval_timer_test.moc"
