// SPDX-License-Identifier: MIT
#include <QtTest>

#include <chrono>

#include "serial/com_port.h"
#include "serial/com_port_error.h"
#include "serial/trigger_table.h"
#include "serial/virtual_serial_device.h"
#include "tests/serial/serial_test_support.h"
#include "tests/support/test_registry.h"

using namespace ferrotap;
using ferrotap::test::ComEnv;
using ferrotap::test::Pump;

class TriggerTest : public QObject {
  Q_OBJECT

 private slots:
  void handleNumbering() {
    TriggerTable table;
    QCOMPARE(table.NewTimerTrigger(), uint16_t(8));
    QCOMPARE(table.NewStatusTrigger(stModemStatus), uint16_t(17));
    QCOMPARE(table.NewStatusTrigger(stOutputSent), uint16_t(29));
    QVERIFY_THROWS_EXCEPTION(ComPortError, table.NewStatusTrigger(6));
    for (int i = 4; i < 4096; ++i) table.NewTimerTrigger();
    // The counter is spent: free bases between 8 and 4096 are reused, then none is left.
    table.RemoveTrigger(17);
    QCOMPARE(table.NewTimerTrigger(), uint16_t(16));
    table.RemoveTrigger(4096);
    QCOMPARE(table.NewTimerTrigger(), uint16_t(4096));
    bool noMore = false;
    try {
      table.NewTimerTrigger();
    } catch (const ComPortError& e) {
      noMore = e.Code() == kErrNoMoreTriggers;
    }
    QVERIFY(noMore);
  }

  void armingWrongKindFails() {
    TriggerTable table;
    const uint16_t timer = table.NewTimerTrigger();
    const uint16_t status = table.NewStatusTrigger(stLineStatus);
    QVERIFY_THROWS_EXCEPTION(ComPortError, table.ArmTimerTrigger(status, 10, true, 0));
    QVERIFY_THROWS_EXCEPTION(ComPortError, table.ArmStatusTrigger(timer, 15, true, 0));
  }

  void timerExpiryInTicks() {
    TriggerTable table;
    const uint16_t timer = table.NewTimerTrigger();
    table.ArmTimerTrigger(timer, 10, true, 1000);
    QVERIFY(!table.CheckTimers(1010));
    QCOMPARE(table.CheckTimers(1011), std::optional<uint16_t>(timer));
    QVERIFY(!table.CheckTimers(1012));
    // Zero ticks keeps the stored length; re-arming restarts from now.
    table.ArmTimerTrigger(timer, 0, true, 2000);
    table.ArmTimerTrigger(timer, 0, true, 2005);
    QVERIFY(!table.CheckTimers(2015));
    QVERIFY(table.CheckTimers(2016));
  }

  void lineErrorReport_data() {
    QTest::addColumn<int>("injected");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("lineBreak");
    QTest::newRow("overrun") << int(kLineOverrun) << 2 << false;
    QTest::newRow("parity") << int(kLineParity) << 3 << false;
    QTest::newRow("framing") << int(kLineFraming) << 4 << false;
    QTest::newRow("break alone") << int(kLineBreak) << 0 << true;
    QTest::newRow("framing and break") << int(kLineFraming | kLineBreak) << 4 << true;
  }
  void lineErrorReport() {
    QFETCH(int, injected);
    QFETCH(int, error);
    QFETCH(bool, lineBreak);
    NotificationLoop loop;
    ComEnv env(20, "virtual:lineerr:a");
    auto peer = VirtualSerialDevice::Open("virtual:lineerr:b");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(20);
    port.SetOpen(true);
    std::vector<std::pair<int, bool>> reports;
    port.OnTriggerLineError = [&](ComPort&, uint16_t e, bool b) { reports.push_back({e, b}); };
    const uint16_t trigger = port.NewStatusTrigger(stLineStatus);
    port.ArmStatusTrigger(trigger, 15, true);
    peer->InjectLineErrors(static_cast<uint8_t>(injected));
    QVERIFY(Pump(loop, [&] { return !reports.empty(); }));
    QCOMPARE(reports.front().first, error);
    QCOMPARE(reports.front().second, lineBreak);
    // Not re-armed: a second error is not reported; once re-armed it is.
    peer->InjectLineErrors(kLineParity);
    Pump(
        loop, [] { return false; }, std::chrono::milliseconds(200));
    QCOMPARE(reports.size(), std::size_t(1));
    port.ArmStatusTrigger(trigger, 15, true);
    QVERIFY(Pump(loop, [&] { return reports.size() == 2; }));
    QCOMPARE(reports.back().first, 3);
  }

  void overflowAloneDoesNotFire() {
    NotificationLoop loop;
    ComEnv env(21, "virtual:overflow:a");
    auto peer = VirtualSerialDevice::Open("virtual:overflow:b");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(21);
    port.SetOpen(true);
    int reports = 0;
    port.OnTriggerLineError = [&](ComPort&, uint16_t, bool) { ++reports; };
    port.ArmStatusTrigger(port.NewStatusTrigger(stLineStatus), 15, true);
    peer->InjectLineErrors(kLineRxOverflow);
    QVERIFY(Pump(loop, [&] { return port.ReadLineError() == 1; }));
    QCOMPARE(reports, 0);
  }

  void modemStatusTrigger() {
    NotificationLoop loop;
    ComEnv env(22, "virtual:modem:a");
    auto peer = VirtualSerialDevice::Open("virtual:modem:b");
    peer->SetRts(false);
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(22);
    port.SetOpen(true);
    std::vector<bool> seen;
    port.OnTriggerModemStatus = [&](ComPort& sender) { seen.push_back(sender.CTS()); };
    const uint16_t trigger = port.NewStatusTrigger(stModemStatus);
    port.ArmStatusTrigger(trigger, kModemCts, true);
    peer->SetDtr(true);  // not watched
    Pump(
        loop, [] { return false; }, std::chrono::milliseconds(150));
    QVERIFY(seen.empty());
    peer->SetRts(true);
    QVERIFY(Pump(loop, [&] { return seen.size() == 1; }));
    QCOMPARE(seen.back(), true);
    peer->SetRts(false);
    Pump(
        loop, [] { return false; }, std::chrono::milliseconds(150));
    QCOMPARE(seen.size(), std::size_t(1));
    peer->SetRts(true);
    QVERIFY(port.CTS());
    port.ArmStatusTrigger(trigger, kModemCts, true);
    peer->SetRts(false);
    QVERIFY(Pump(loop, [&] { return seen.size() == 2; }));
    QCOMPARE(seen.back(), false);
  }

  void timerTriggerOnPort() {
    using Clock = std::chrono::steady_clock;
    NotificationLoop loop;
    ComEnv env(23, "virtual:timer:a");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(23);
    port.SetOpen(true);
    std::vector<std::pair<uint16_t, Clock::time_point>> fired;
    port.OnTriggerTimer = [&](ComPort&, uint16_t handle) {
      fired.push_back({handle, Clock::now()});
    };
    const uint16_t timer = port.NewTimerTrigger();
    QVERIFY_THROWS_EXCEPTION(ComPortError,
                             port.ArmTimerTrigger(port.NewStatusTrigger(1), 10, true));
    const auto armed = Clock::now();
    port.ArmTimerTrigger(timer, 10, true);
    QVERIFY(Pump(loop, [&] { return !fired.empty(); }));
    QCOMPARE(fired[0].first, timer);
    QVERIFY(fired[0].second - armed >= std::chrono::milliseconds(550));
    // Re-arming before expiry restarts the count.
    port.ArmTimerTrigger(timer, 4, true);
    Pump(
        loop, [] { return false; }, std::chrono::milliseconds(150));
    const auto rearmed = Clock::now();
    port.ArmTimerTrigger(timer, 4, true);
    QVERIFY(Pump(loop, [&] { return fired.size() == 2; }));
    QVERIFY(fired[1].second - rearmed >= std::chrono::milliseconds(220));
    port.ArmTimerTrigger(timer, 1, false);
    Pump(
        loop, [] { return false; }, std::chrono::milliseconds(300));
    QCOMPARE(fired.size(), std::size_t(2));
  }
};

FERROTAP_TEST(TriggerTest)
#include "trigger_test.moc"
