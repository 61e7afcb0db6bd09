// SPDX-License-Identifier: MIT
#include <QtTest>
#include <chrono>
#include <ctime>

#include "core/line_status.h"
#include "core/port_event.h"
#include "tests/support/test_registry.h"

class LineStatusTest : public QObject {
  Q_OBJECT

 private slots:
  void errorTexts_data() {
    QTest::addColumn<char>("port");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("lineBreak");
    QTest::addColumn<QString>("text");
    QTest::newRow("overrun") << 'A' << 2 << false << "PortA Err 2 : Overrun";
    QTest::newRow("parity") << 'A' << 3 << false << "PortA Err 3 : Parity";
    QTest::newRow("framing and break") << 'A' << 4 << true << "PortA Err 4 : Framing - LineBreak";
    QTest::newRow("break alone on B") << 'B' << 0 << true << "PortB Err 0 - LineBreak";
    QTest::newRow("overflow by number") << 'A' << 1 << false << "PortA Err 1";
    QTest::newRow("break code") << 'B' << 9 << false << "PortB Err 9";
  }
  void errorTexts() {
    QFETCH(char, port);
    QFETCH(int, error);
    QFETCH(bool, lineBreak);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(ferrotap::LineErrorText(port, error, lineBreak)), text);
  }

  // Local time to the millisecond, so that the line sorts among what was captured around it.
  void portEventTexts() {
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "CET-1");
    tzset();
    using namespace std::chrono;
    // 2026-12-08 13:23:05.007 UTC, 14:23:05.007 in the zone above.
    const system_clock::time_point when{seconds(1796736185) + milliseconds(7)};
    QCOMPARE(ferrotap::PortEventText('A', ferrotap::PortEvent::Lost, "/dev/ttyUSB0: gone", when),
             std::string("[2026-12-08 14:23:05.007] Com A lost: /dev/ttyUSB0: gone"));
    QCOMPARE(ferrotap::PortEventText('B', ferrotap::PortEvent::Back, "/dev/ttyUSB1",
                                     when + milliseconds(993)),
             std::string("[2026-12-08 14:23:06.000] Com B is back: /dev/ttyUSB1"));
    if (zone.isNull()) {
      qunsetenv("TZ");
    } else {
      qputenv("TZ", zone);
    }
    tzset();
  }
};

FERROTAP_TEST(LineStatusTest)
#include "line_status_test.moc"
