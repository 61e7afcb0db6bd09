// SPDX-License-Identifier: MIT
#include <QtTest>

#include "core/render.h"
#include "tests/support/test_registry.h"

using ferrotap::Bytes;
using ferrotap::DisplayFormat;

Q_DECLARE_METATYPE(DisplayFormat)

class RenderTest : public QObject {
  Q_OBJECT

 private slots:
  void renderBytes_data() {
    QTest::addColumn<DisplayFormat>("format");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray ACr("\x41\x0D", 2);
    QTest::newRow("ascii passes through") << DisplayFormat::Ascii << ACr << ACr;
    QTest::newRow("ascii keeps NUL")
        << DisplayFormat::Ascii << QByteArray("\0A", 2) << QByteArray("\0A", 2);
    QTest::newRow("filt") << DisplayFormat::AsciiFilt << ACr << QByteArray("A$0D");
    QTest::newRow("filt edges") << DisplayFormat::AsciiFilt << QByteArray("\x1F\x20\x7F\x80\xFF")
                                << QByteArray("$1F \x7F\x80\xFF");
    QTest::newRow("filt NUL") << DisplayFormat::AsciiFilt << QByteArray("\0", 1)
                              << QByteArray("$00");
    QTest::newRow("hex") << DisplayFormat::Hex << ACr << QByteArray("41 0D ");
    QTest::newRow("hex high") << DisplayFormat::Hex << QByteArray("\xAB\xFF")
                              << QByteArray("AB FF ");
    QTest::newRow("dec") << DisplayFormat::Dec << ACr << QByteArray("065 013 ");
    QTest::newRow("dec edges") << DisplayFormat::Dec << QByteArray("\0\xFF", 2)
                               << QByteArray("000 255 ");
    QTest::newRow("bin") << DisplayFormat::Bin << ACr << QByteArray("01000001 00001101 ");
    QTest::newRow("bin edges") << DisplayFormat::Bin << QByteArray("\x80\x01")
                               << QByteArray("10000000 00000001 ");
    QTest::newRow("no format") << DisplayFormat::NoFormat << ACr << QByteArray();
    for (auto f : {DisplayFormat::Ascii, DisplayFormat::AsciiFilt, DisplayFormat::Hex,
                   DisplayFormat::Dec, DisplayFormat::Bin}) {
      QTest::newRow(qPrintable(QString("empty %1").arg(static_cast<int>(f))))
          << f << QByteArray() << QByteArray();
    }
  }
  void renderBytes() {
    QFETCH(DisplayFormat, format);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    const Bytes out = ferrotap::RenderBytes(format, Bytes(input.constData(), input.size()));
    QCOMPARE(QByteArray(out.data(), static_cast<qsizetype>(out.size())), expected);
  }

  void formatFieldNumber_data() {
    QTest::addColumn<DisplayFormat>("format");
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("ascii cr") << DisplayFormat::Ascii << 13 << QByteArray("\r");
    QTest::newRow("ascii nul") << DisplayFormat::Ascii << 0 << QByteArray("\0", 1);
    QTest::newRow("filt control without $") << DisplayFormat::AsciiFilt << 13 << QByteArray("0D");
    QTest::newRow("filt 5") << DisplayFormat::AsciiFilt << 5 << QByteArray("05");
    QTest::newRow("filt 65") << DisplayFormat::AsciiFilt << 65 << QByteArray("A");
    QTest::newRow("filt 32") << DisplayFormat::AsciiFilt << 32 << QByteArray(" ");
    QTest::newRow("hex") << DisplayFormat::Hex << 13 << QByteArray("0D");
    QTest::newRow("dec no padding") << DisplayFormat::Dec << 13 << QByteArray("13");
    QTest::newRow("dec zero") << DisplayFormat::Dec << 0 << QByteArray("0");
    QTest::newRow("dec 255") << DisplayFormat::Dec << 255 << QByteArray("255");
    QTest::newRow("bin") << DisplayFormat::Bin << 13 << QByteArray("00001101");
    QTest::newRow("none") << DisplayFormat::NoFormat << 13 << QByteArray();
  }
  void formatFieldNumber() {
    QFETCH(DisplayFormat, format);
    QFETCH(int, value);
    QFETCH(QByteArray, expected);
    const std::string out = ferrotap::FormatFieldNumber(format, value);
    QCOMPARE(QByteArray(out.data(), static_cast<qsizetype>(out.size())), expected);
  }

  void formatNamesAndIndices() {
    QCOMPARE(ferrotap::FormatName(DisplayFormat::Ascii), std::string("ASC"));
    QCOMPARE(ferrotap::FormatName(DisplayFormat::AsciiFilt), std::string("ASCflt"));
    QCOMPARE(ferrotap::FormatName(DisplayFormat::Hex), std::string("Hex"));
    QCOMPARE(ferrotap::FormatName(DisplayFormat::Dec), std::string("Dec"));
    QCOMPARE(ferrotap::FormatName(DisplayFormat::Bin), std::string("Bin"));
    QCOMPARE(ferrotap::FormatName(DisplayFormat::NoFormat), std::string());
    QCOMPARE(ferrotap::DisplayFormatFromIndex(-1), DisplayFormat::NoFormat);
    QCOMPARE(ferrotap::DisplayFormatFromIndex(2), DisplayFormat::Hex);
    QCOMPARE(ferrotap::DisplayFormatFromIndex(5), DisplayFormat::NoFormat);
  }
};

FERROTAP_TEST(RenderTest)
#include "render_test.moc"
