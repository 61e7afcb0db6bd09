// SPDX-License-Identifier: MIT
#include <QtTest>

#include <QThread>

#include "serial/com_port.h"
#include "app/qt_notification_channel.h"
#include "tests/serial/serial_test_support.h"
#include "tests/support/test_registry.h"

using namespace ferrotap;
using ferrotap::test::ComEnv;
using ferrotap::test::Pty;

class QtChannelTest : public QObject {
  Q_OBJECT

 private slots:
  void bytesArriveOnMainThread() {
    Pty terminal;
    QVERIFY(terminal.Ok());
    ComEnv env(50, terminal.SlaveName());
    ComPort port(QtNotificationChannel::Factory());
    port.SetComNumber(50);
    port.SetOpen(true);
    std::string received;
    bool onMainThread = true;
    int depth = 0;
    bool overlapped = false;
    port.OnTriggerAvail = [&](ComPort& sender, uint16_t count) {
      onMainThread = onMainThread && QThread::currentThread() == qApp->thread();
      overlapped = overlapped || ++depth > 1;
      // A nested event loop must not start another handler of this port.
      QTest::qWait(20);
      for (int i = 0; i < count; ++i) received.push_back(static_cast<char>(sender.ReadChar()));
      --depth;
    };
    terminal.Write("abc");
    QTRY_COMPARE_WITH_TIMEOUT(received, std::string("abc"), 5000);
    terminal.Write("def");
    QTRY_COMPARE_WITH_TIMEOUT(received, std::string("abcdef"), 5000);
    QVERIFY(onMainThread);
    QVERIFY(!overlapped);
  }

  void closeInsideHandlerCompletes() {
    Pty terminal;
    QVERIFY(terminal.Ok());
    ComEnv env(51, terminal.SlaveName());
    ComPort port(QtNotificationChannel::Factory());
    port.SetComNumber(51);
    port.SetOpen(true);
    port.OnTriggerAvail = [](ComPort& sender, uint16_t) { sender.SetOpen(false); };
    terminal.Write("x");
    QTRY_COMPARE_WITH_TIMEOUT(port.PortState(), ComPort::State::Closed, 5000);
    port.SetOpen(true);
    QVERIFY(port.Open());
  }
};

FERROTAP_TEST(QtChannelTest)
#include "qt_channel_test.moc"
