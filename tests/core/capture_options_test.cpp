// SPDX-License-Identifier: MIT
#include <QtTest>

#include "core/capture_options.h"
#include "tests/support/test_registry.h"

namespace ferrotap {

class CaptureOptionsTest : public QObject {
  Q_OBJECT

 private slots:
  void timestamps_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");  // TimeStampMode, -1 for an error
    QTest::newRow("none") << "none" << int(TimeStampMode::None);
    QTest::newRow("abs") << "abs" << int(TimeStampMode::Absolute);
    QTest::newRow("rel") << "rel" << int(TimeStampMode::Relative);
    QTest::newRow("upper case") << "ABS" << -1;
    QTest::newRow("long word") << "absolute" << -1;
    QTest::newRow("empty") << "" << -1;
  }
  void timestamps() {
    QFETCH(QString, text);
    QFETCH(int, mode);
    const auto parsed = ParseTimeStampMode(text.toStdString());
    if (mode >= 0) {
      QVERIFY(parsed.ok());
      QCOMPARE(int(parsed.value), mode);
    } else {
      QCOMPARE(QString::fromStdString(parsed.error),
               "\"" + text + "\" is not a timestamp mode: give none, abs or rel");
    }
  }

  void idleGaps_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("unit");             // IdleGap::Unit
    QTest::addColumn<qint64>("thousandths");   // when valid
    QTest::addColumn<QString>("error");        // the message, or empty when valid
    const int ms = int(IdleGap::Unit::Milliseconds), c = int(IdleGap::Unit::Characters);
    const QString form =
        " is not an idle gap: give milliseconds like 100ms or character times like 3.5c";
    QTest::newRow("100ms") << "100ms" << ms << qint64{100000} << "";
    QTest::newRow("3.5c") << "3.5c" << c << qint64{3500} << "";
    QTest::newRow("0.125ms") << "0.125ms" << ms << qint64{125} << "";
    QTest::newRow("leading zeros") << "007c" << c << qint64{7000} << "";
    QTest::newRow("an hour") << "3600000ms" << ms << qint64{3600000000} << "";
    QTest::newRow("no unit") << "100" << ms << qint64{0} << "\"100\"" + form;
    QTest::newRow("seconds") << "1s" << ms << qint64{0} << "\"1s\"" + form;
    QTest::newRow("space") << "100 ms" << ms << qint64{0} << "\"100 ms\"" + form;
    QTest::newRow("sign") << "-3c" << ms << qint64{0} << "\"-3c\"" + form;
    QTest::newRow("bare point") << "3.c" << ms << qint64{0} << "\"3.c\"" + form;
    QTest::newRow("leading point") << ".5c" << ms << qint64{0} << "\".5c\"" + form;
    QTest::newRow("unit only") << "ms" << ms << qint64{0} << "\"ms\"" + form;
    QTest::newRow("empty") << "" << ms << qint64{0} << "\"\"" + form;
    QTest::newRow("control character") << "1\nc" << ms << qint64{0} << "\"1$0Ac\"" + form;
    QTest::newRow("four decimals") << "0.0001ms" << ms << qint64{0}
                                   << "\"0.0001ms\" has more than three decimals";
    QTest::newRow("zero") << "0.000c" << ms << qint64{0} << "\"0.000c\" is no gap: give more than 0";
    QTest::newRow("over an hour") << "3600000.001ms" << ms << qint64{0}
                                  << "\"3600000.001ms\" is longer than an hour";
    QTest::newRow("huge") << "99999999999999999999999c" << ms << qint64{0}
                          << "\"99999999999999999999999c\" is more than 1000000 character times";
  }
  void idleGaps() {
    QFETCH(QString, text);
    QFETCH(int, unit);
    QFETCH(qint64, thousandths);
    QFETCH(QString, error);
    const auto parsed = ParseIdleGap(text.toStdString());
    QCOMPARE(QString::fromStdString(parsed.error), error);
    if (!error.isEmpty()) return;
    QCOMPARE(int(parsed.value.unit), unit);
    QCOMPARE(parsed.value.thousandths, thousandths);
    const auto again = ParseIdleGap(FormatIdleGap(parsed.value));
    QVERIFY(again.ok());
    QCOMPARE(again.value, parsed.value);
  }

  void formattedGapsAreShort() {
    QCOMPARE(FormatIdleGap({IdleGap::Unit::Characters, 3500}), std::string("3.5c"));
    QCOMPARE(FormatIdleGap({IdleGap::Unit::Milliseconds, 100000}), std::string("100ms"));
    QCOMPARE(FormatIdleGap({IdleGap::Unit::Milliseconds, 5}), std::string("0.005ms"));
  }
};

FERROTAP_TEST(CaptureOptionsTest)

}  // namespace ferrotap
#include "capture_options_test.moc"
