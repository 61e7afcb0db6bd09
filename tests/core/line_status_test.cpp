#include <QtTest>

#include "core/line_status.h"
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
};

FERROTAP_TEST(LineStatusTest)
#include "line_status_test.moc"
