// SPDX-License-Identifier: MIT
#include <QtTest>

#include "serial/com_port.h"
#include "serial/status_light_controller.h"
#include "serial/virtual_serial_device.h"
#include "tests/serial/serial_test_support.h"
#include "tests/support/test_registry.h"

using namespace ferrotap;
using ferrotap::test::ComEnv;
using ferrotap::test::Pump;

namespace {

// Stands in for a lamp widget: counts repaints.
struct Lamp {
  bool lit = false;
  int changes = 0;
  void SetLit(bool on) {
    if (on != lit) ++changes;
    lit = on;
  }
};

struct Lamps {
  Lamp cts, dsr, dcd, tx, rx;
  void Bind(StatusLightController& controller) {
    controller.Lights().CTSLight = LampSink(&cts);
    controller.Lights().DSRLight = LampSink(&dsr);
    controller.Lights().DCDLight = LampSink(&dcd);
    controller.Lights().TXDLight = LampSink(&tx);
    controller.Lights().RXDLight = LampSink(&rx);
  }
};

}  // namespace

class StatusLightTest : public QObject {
  Q_OBJECT

 private slots:
  void watchingWaitsForOpen() {
    NotificationLoop loop;
    ComEnv env(40, "virtual:lamps1:a");
    auto peer = VirtualSerialDevice::Open("virtual:lamps1:b");
    peer->SetDtr(true);
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(40);
    StatusLightController controller(&port);
    Lamps lamps;
    lamps.Bind(controller);
    controller.SetWatching(true);
    QVERIFY(!controller.Watching());
    QVERIFY(controller.Pending());
    QVERIFY(!lamps.dsr.lit);
    port.SetOpen(true);
    QVERIFY(controller.Watching());
    QVERIFY(lamps.dsr.lit);
    QVERIFY(lamps.dcd.lit);
    QVERIFY(!lamps.cts.lit);
    port.SetOpen(false);
    QVERIFY(!controller.Watching());
    QVERIFY(!lamps.dsr.lit);
    // Refresh with the port closed leaves everything unlit; the next open watches again.
    controller.SetWatching(false);
    controller.SetWatching(true);
    QVERIFY(!lamps.dsr.lit);
    port.SetOpen(true);
    QVERIFY(controller.Watching());
  }

  void rxLampBlinksAndHandlersChain() {
    NotificationLoop loop;
    ComEnv env(41, "virtual:lamps2:a");
    auto peer = VirtualSerialDevice::Open("virtual:lamps2:b");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(41);
    std::string received;
    port.OnTriggerAvail = [&](ComPort& sender, uint16_t count) {
      for (int i = 0; i < count; ++i) received.push_back(static_cast<char>(sender.ReadChar()));
    };
    StatusLightController controller(&port);
    Lamps lamps;
    lamps.Bind(controller);
    port.SetOpen(true);
    controller.SetWatching(true);
    peer->Write("A", 1);
    QVERIFY(Pump(loop, [&] { return lamps.rx.lit; }));
    QVERIFY(Pump(loop, [&] { return !lamps.rx.lit; }));
    QCOMPARE(received, std::string("A"));
    port.WriteString("out");
    QVERIFY(Pump(loop, [&] { return lamps.tx.lit; }));
    QVERIFY(Pump(loop, [&] { return !lamps.tx.lit; }));
    // Switching off gives the handler back.
    controller.SetWatching(false);
    peer->Write("B", 1);
    QVERIFY(Pump(loop, [&] { return received == "AB"; }));
    QVERIFY(!lamps.rx.lit);
  }

  void dsrRaisedOnPeer() {
    NotificationLoop loop;
    ComEnv env(42, "virtual:lamps3:a");
    auto peer = VirtualSerialDevice::Open("virtual:lamps3:b");
    ComPort port(loop.ChannelFactory());
    port.SetComNumber(42);
    int modemNotifications = 0;
    port.OnTriggerModemStatus = [&](ComPort&) { ++modemNotifications; };
    StatusLightController controller(&port);
    Lamps lamps;
    lamps.Bind(controller);
    port.SetOpen(true);
    controller.SetWatching(true);
    QVERIFY(!lamps.dsr.lit);
    peer->SetDtr(true);
    QVERIFY(Pump(loop, [&] { return lamps.dsr.lit && modemNotifications == 1; }));
    QCOMPARE(lamps.dsr.changes, 1);
    peer->SetRts(true);
    QVERIFY(Pump(loop, [&] { return lamps.cts.lit && modemNotifications == 2; }));
    QVERIFY(lamps.dsr.lit);
  }
};

FERROTAP_TEST(StatusLightTest)
#include "status_light_test.moc"
