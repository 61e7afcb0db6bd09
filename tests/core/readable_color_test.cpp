// SPDX-License-Identifier: MIT
#include <QtTest>

#include "core/readable_color.h"
#include "tests/support/test_registry.h"

namespace ferrotap {

class ReadableColorTest : public QObject {
  Q_OBJECT

 private slots:
  void contrastOfKnownPairs() {
    QCOMPARE(ContrastRatio(RgbColor(0, 0, 0), RgbColor(255, 255, 255)), 21.0);
    QCOMPARE(ContrastRatio(RgbColor(9, 9, 9), RgbColor(9, 9, 9)), 1.0);
    // Pure blue on a dark grey: the echo colour the dark desktop could not read.
    QVERIFY(ContrastRatio(0xFF0000, RgbColor(0x23, 0x23, 0x23)) < 2);
  }

  // Every given default reads on a dark data window once lifted, and keeps its hue's lead.
  void darkDefaultsRead_data() {
    QTest::addColumn<uint>("background");
    QTest::newRow("near black") << uint(RgbColor(0x12, 0x12, 0x12));
    QTest::newRow("dark grey") << uint(RgbColor(0x23, 0x23, 0x23));
    QTest::newRow("mid dark grey") << uint(RgbColor(0x45, 0x45, 0x45));
  }
  void darkDefaultsRead() {
    QFETCH(uint, background);
    const ColorSet dark = DarkPaletteDefaults(background);
    for (int i = 0; i < kColorRoleCount; ++i) {
      const Color given = kDefaultColors[i];
      const Color lifted = dark.values[i];
      if (IsSystemColor(given)) {
        QCOMPARE(lifted, given);
        continue;
      }
      QVERIFY2(ContrastRatio(lifted, background) >= kReadableContrast,
               qPrintable(QString::number(i)));
      if (ContrastRatio(given, background) >= kReadableContrast) QCOMPARE(lifted, given);
    }
    const Color blue = dark[ColorRole::PortBData];
    QVERIFY(BlueOf(blue) > RedOf(blue) && BlueOf(blue) > GreenOf(blue));
  }

  void lightBackgroundKeepsReadableColours() {
    QCOMPARE(ReadableOn(0xFF0000, RgbColor(255, 255, 255)), Color{0xFF0000});
    // Too light for white is darkened rather than lightened.
    const Color darker = ReadableOn(RgbColor(250, 250, 0), RgbColor(255, 255, 255));
    QVERIFY(ContrastRatio(darker, RgbColor(255, 255, 255)) >= kReadableContrast);
    QVERIFY(RelativeLuminance(darker) < RelativeLuminance(RgbColor(250, 250, 0)));
  }

  // A file keeps the given defaults on any palette; what the user chose goes through unchanged.
  void filesKeepTheGivenDefaults() {
    const ColorSet dark = DarkPaletteDefaults(RgbColor(0x23, 0x23, 0x23));
    ColorSet stored;
    stored[ColorRole::ProtOutOfRange] = 0x123456;
    const ColorSet shown = ColorsForPalette(stored, dark);
    QCOMPARE(shown[ColorRole::PortBData], dark[ColorRole::PortBData]);
    QCOMPARE(shown[ColorRole::ProtOutOfRange], Color{0x123456});
    QCOMPARE(shown[ColorRole::Background], kSysWindowColor);
    QCOMPARE(ColorsForFile(shown, dark).values, stored.values);
    const ColorSet light;
    QCOMPARE(ColorsForPalette(stored, light).values, stored.values);
    QCOMPARE(ColorsForFile(stored, light).values, stored.values);
  }
};

}  // namespace ferrotap

using ferrotap::ReadableColorTest;
FERROTAP_TEST(ReadableColorTest)
#include "readable_color_test.moc"
