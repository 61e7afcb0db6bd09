// SPDX-License-Identifier: MIT
#include <QtTest>
#include <cstdlib>
#include <ctime>

#include "core/time_stamp.h"
#include "tests/support/test_registry.h"

namespace ferrotap {

class TimeStampTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    const char* zone = std::getenv("TZ");
    if (zone != nullptr) savedZone_ = zone;
  }
  void cleanupTestCase() {
    if (savedZone_.isEmpty()) {
      unsetenv("TZ");
    } else {
      setenv("TZ", savedZone_.constData(), 1);
    }
    tzset();
  }

  void absolute_data() {
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<qint64>("wallNs");
    QTest::addColumn<QString>("text");
    // 2026-12-08 14:05:09.123456789 UTC
    const qint64 t = Q_INT64_C(1796738709123456789);
    QTest::newRow("UTC") << QByteArray("UTC0") << t << "14:05:09.123";
    QTest::newRow("east of UTC") << QByteArray("XXX-05:30") << t << "19:35:09.123";
    QTest::newRow("west, day before") << QByteArray("XXX+15") << t << "23:05:09.123";
    QTest::newRow("cut, not rounded") << QByteArray("UTC0") << t + 876'000'000 << "14:05:09.999";
    QTest::newRow("midnight") << QByteArray("UTC0") << qint64{0} << "00:00:00.000";
    QTest::newRow("before 1970") << QByteArray("UTC0") << qint64{-1} << "23:59:59.999";
  }
  void absolute() {
    QFETCH(QByteArray, zone);
    QFETCH(qint64, wallNs);
    QFETCH(QString, text);
    setenv("TZ", zone.constData(), 1);
    tzset();
    QCOMPARE(QString::fromStdString(FormatAbsoluteTime(wallNs)), text);
    TimeStamper stamper(TimeStampMode::Absolute, {wallNs, 500});
    QCOMPARE(QString::fromStdString(stamper.Stamp(500)), text);
  }

  void relative_data() {
    QTest::addColumn<qint64>("deltaMs");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64{0} << " +0.000";
    QTest::newRow("seconds") << qint64{12345} << " +12.345";
    QTest::newRow("under a second") << qint64{7} << " +0.007";
    QTest::newRow("minutes") << qint64{3'600'001} << " +3600.001";
    QTest::newRow("backwards") << qint64{-1500} << " -1.500";
    QTest::newRow("most negative") << std::numeric_limits<qint64>::min()
                                   << " -9223372036854775.808";
  }
  void relative() {
    QFETCH(qint64, deltaMs);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(FormatRelativeTime(deltaMs)), text);
  }

  // Differences of whole milliseconds: a row of stamps adds up to the time shown by the clock.
  void relativeStampsAddUp() {
    TimeStamper stamper(TimeStampMode::Relative, ClockBase::Now());
    QCOMPARE(stamper.Stamp(10'999'999), std::string(" +0.000"));
    QCOMPARE(stamper.Stamp(11'000'000), std::string(" +0.001"));
    QCOMPARE(stamper.Stamp(11'999'999), std::string(" +0.000"));
    QCOMPARE(stamper.Stamp(1'234'011'999'999), std::string(" +1234.000"));
    QCOMPARE(stamper.Stamp(1'234'009'999'999), std::string(" -0.002"));

    TimeStamper none(TimeStampMode::None, ClockBase::Now());
    QCOMPARE(none.Stamp(5), std::string());
  }

 private:
  QByteArray savedZone_;
};

FERROTAP_TEST(TimeStampTest)

}  // namespace ferrotap
#include "time_stamp_test.moc"
