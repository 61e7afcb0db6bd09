// SPDX-License-Identifier: MIT
#include <QtTest>
#include <string>
#include <vector>

#include "serial/capture_settings_file.h"
#include "tests/support/test_registry.h"

namespace ferrotap {

class CaptureSettingsFileTest : public QObject {
  Q_OBJECT

 private slots:
  void pathBesideTheCpsFile() {
    QCOMPARE(CaptureSettingsPath("/x/Port_CFG.cps"), std::string("/x/Port_CFG.capture"));
    QCOMPARE(CaptureSettingsPath("/x.d/settings"), std::string("/x.d/settings.capture"));
  }

  // What is written reads back; a bad value is named and keeps the setting it would change.
  void roundTripAndBadValues() {
    CaptureSettings s;
    s.timeStamps = TimeStampMode::Relative;
    s.idleGapOn = true;
    s.idleGap = {IdleGap::Unit::Milliseconds, 250'500};
    s.timeStampColor = 0x123456;
    s.logShownText = true;
    s.dataWindowMemoryMB = 1024;
    std::vector<std::string> problems;
    QCOMPARE(ReadCaptureSettingsLines(WriteCaptureSettingsLines(s), {}, problems), s);
    QVERIFY(problems.empty());

    const CaptureSettings read = ReadCaptureSettingsLines(
        {"TimeStamps=sometimes", "IdleGap=3.5x", "TimeStamp_color=grey", "DataWindowMemoryMB=2",
         "Unknown=1"},
        s, problems);
    QCOMPARE(read, s);
    QCOMPARE(problems.size(), std::size_t{4});
    QVERIFY(QString::fromStdString(problems[0]).contains("sometimes"));
    // A file written before the memory limit existed keeps the default.
    QCOMPARE(ReadCaptureSettingsLines({"TimeStamps=abs"}, {}, problems).dataWindowMemoryMB, 256);
  }
};

FERROTAP_TEST(CaptureSettingsFileTest)

}  // namespace ferrotap

#include "capture_settings_file_test.moc"
