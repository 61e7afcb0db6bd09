// SPDX-License-Identifier: MIT
#include <QtTest>

#include <cstdio>

#include "serial/cps_file.h"
#include "serial/key_value.h"
#include "serial/rs485_timing.h"
#include "tests/support/test_registry.h"

using ferrotap::CpsSettings;
using ferrotap::FlowControlChoice;

class CpsFileTest : public QObject {
  Q_OBJECT

 private slots:
  void keyValueHelpers() {
    QCOMPARE(ferrotap::ValueAfterEquals("Baud_Rate=9600"), std::string("9600"));
    QCOMPARE(ferrotap::ValueAfterEquals("a=b=c"), std::string("b=c"));
    QCOMPARE(ferrotap::ValueAfterEquals("no equals"), std::string());
    QCOMPARE(ferrotap::ValueAfterEquals("k=" + std::string(20000, 'x')).size(), std::size_t{10000});
    QVERIFY(ferrotap::IsTrueText("tRuE"));
    QVERIFY(!ferrotap::IsTrueText("yes"));
    QVERIFY(!ferrotap::IsTrueText("TRUE "));
    QCOMPARE(ferrotap::BoolText(true), std::string("True"));
    QCOMPARE(ferrotap::BoolText(false), std::string("False"));
    int v = 7;
    QVERIFY(!ferrotap::ParseIntegerValue("", v));
    QVERIFY(!ferrotap::ParseIntegerValue("12a", v));
    QVERIFY(!ferrotap::ParseIntegerValue("+-5", v));
    QVERIFY(!ferrotap::ParseIntegerValue("+", v));
    QCOMPARE(v, 7);
    QVERIFY(ferrotap::ParseIntegerValue(" +5", v));
    QCOMPARE(v, 5);
    QVERIFY(ferrotap::ParseIntegerValue("-16777211", v));
    QCOMPARE(v, -16777211);
  }

  void defaultsAreWrittenInOrder() {
    const auto lines = ferrotap::WriteCpsLines(CpsSettings{});
    QCOMPARE(lines.size(), std::size_t{27});
    QCOMPARE(lines[0], std::string("Spy_Mode=False"));
    QCOMPARE(lines[3], std::string("Baud_Rate=9600"));
    QCOMPARE(lines[8], std::string("via KOB (virtual Ports) 15 ms delay"));
    QCOMPARE(lines[9], std::string("In_Buffer_KB=4096"));
    QCOMPARE(lines[11], std::string("Flow_control=None"));
    QCOMPARE(lines[14], std::string("HardwareFlow_Out_Criteria=DTR"));
    QCOMPARE(lines[15], std::string("HardwareFlow_In_Criteria=DSR"));
    QCOMPARE(lines[17], std::string("SoftwareFlow_XON_CHAR=#17"));
    QCOMPARE(lines[19], std::string("BackGround_color=-16777211"));
    QCOMPARE(lines[20], std::string("PortA_Data_color=-16777208"));
    QCOMPARE(lines[22], std::string("PortB_Data/Echo_color=16711680"));
    QCOMPARE(lines[24], std::string("Prot_Fatal_Error_color=255"));
    QCOMPARE(lines[25], std::string("Prot_OutOfRange_Error_color=33023"));
    QCOMPARE(lines[26], std::string("Prot_Simulated_OutPut_color=8388736"));
  }

  void roundTripOfChoices() {
    CpsSettings s;
    s.spyMode = true;
    s.comPortA = "3";
    s.parity = "Mark";
    s.rs485Mode = true;
    s.rs485Method = "via Driver ( hardware)";
    s.flowControl = FlowControlChoice::Software;
    s.useRts = true;
    s.requireCts = true;
    s.inBuffer = 8192;
    s.colors.values[5] = 0x123456;
    const CpsSettings back = ferrotap::ReadCpsLines(ferrotap::WriteCpsLines(s), CpsSettings{});
    QVERIFY(back.spyMode);
    QCOMPARE(back.comPortA, std::string("3"));
    QCOMPARE(back.parity, std::string("Mark"));
    QVERIFY(back.rs485Mode);
    QCOMPARE(back.rs485Method, std::string("via Driver ( hardware)"));
    QCOMPARE(back.flowControl, FlowControlChoice::Software);
    QVERIFY(back.useRts);
    QVERIFY(back.requireCts);
    QCOMPARE(back.inBuffer, 8192);
    QCOMPARE(back.colors.values[5], ferrotap::Color{0x123456});
  }

  void perLineRules() {
    CpsSettings current;
    current.comPortA = "5";
    current.spyMode = true;
    current.useRts = true;
    current.inBuffer = 5000;
    std::vector<std::string> lines = ferrotap::WriteCpsLines(CpsSettings{});
    lines[0] = "Spy_Mode=yes";            // not "true": unchecks
    lines[1] = "ComA_Port=";              // empty text keeps the control
    lines[9] = "In_Buffer_KB=lots";       // not an integer keeps the value
    lines[11] = "Flow_control=whatever";  // any other value is software
    lines[14] = "Anything=DTR";           // keys are not looked at
    lines[20] = "PortA_Data_color=";
    const CpsSettings s = ferrotap::ReadCpsLines(lines, current);
    QVERIFY(!s.spyMode);
    QCOMPARE(s.comPortA, std::string("5"));
    QCOMPARE(s.inBuffer, 5000);
    QCOMPARE(s.flowControl, FlowControlChoice::Software);
    QVERIFY(s.useDtr);
    QVERIFY(s.useRts);  // the other box of the pair is left as it was
    QCOMPARE(s.colors.values[1], ferrotap::kSysWindowTextColor);
  }

  // A file cut after n lines sets what those lines hold; every other setting keeps its value, and
  // keeps it through a save and a second load (with no box of a pair checked, the saved criteria
  // line is empty, which reads as "keep").
  void shortFileKeepsMissingSettings_data() {
    QTest::addColumn<int>("kept");
    for (int n : {0, 1, 8, 9, 11, 12, 14, 15, 16, 26, 27})
      QTest::newRow(qPrintable(QString::number(n))) << n;
  }
  void shortFileKeepsMissingSettings() {
    QFETCH(int, kept);
    CpsSettings current;
    current.spyMode = true;
    current.rs485Mode = true;
    current.rs485Method = "via Driver ( hardware)";
    current.flowControl = FlowControlChoice::Hardware;
    current.baudRate = "19200";
    current.colors.values[7] = 0x445566;
    CpsSettings file;
    file.comPortA = "4";
    file.useRts = true;
    file.requireCts = true;
    file.xoffChar = "$13";
    const auto written = ferrotap::WriteCpsLines(file);
    const std::vector<std::string> lines(written.begin(), written.begin() + kept);
    const CpsSettings once = ferrotap::ReadCpsLines(lines, current);
    const auto read = ferrotap::WriteCpsLines(once);
    const auto before = ferrotap::WriteCpsLines(current);
    const auto pairs = [](const CpsSettings& s) {
      return std::vector<bool>{s.useRts, s.useDtr, s.requireCts, s.requireDsr};
    };
    for (int i = 0; i < ferrotap::kCpsLineCount; ++i) {
      if (i < kept) {
        QCOMPARE(read[i], written[i]);
      } else if (i == 14 || i == 15) {
        QCOMPARE(read[i], before[i].substr(0, before[i].find('=') + 1));
      } else {
        QCOMPARE(read[i], before[i]);
      }
    }
    QCOMPARE(pairs(once), (std::vector<bool>{kept > 14, false, kept > 15, false}));
    const CpsSettings twice = ferrotap::ReadCpsLines(read, once);
    QCOMPARE(pairs(twice), pairs(once));
    QCOMPARE(ferrotap::WriteCpsLines(twice), read);
  }

  void fileLinesCrLfAndLf() {
    const QString path = QDir::temp().filePath("ferrotap_kv_test.txt");
    ferrotap::WriteTextLines(path.toStdString(), {"a=1", "b=2"});
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("a=1\r\nb=2\r\n"));
    f.close();
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("x=1\ny=2\r\nz");
    f.close();
    const auto lines = ferrotap::ReadTextLines(path.toStdString());
    QCOMPARE(lines.size(), std::size_t{3});
    QCOMPARE(lines[1], std::string("y=2"));
    QCOMPARE(lines[2], std::string("z"));
    QFile::remove(path);
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             ferrotap::ReadTextLines("/nonexistent/dir/file.cps"));
  }

  // Line time of whole frames, rounded up: never shorter than the wire needs.
  void rs485LineTimes_data() {
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<qint64>("us");
    QTest::addColumn<int>("ms");
    QTest::newRow("1000 @ 115200 8E2")
        << 1000 << 115200 << 8 << int(ferrotap::pEven) << 2 << qint64(104167) << 105;
    QTest::newRow("1000 @ 115200 8N1")
        << 1000 << 115200 << 8 << int(ferrotap::pNone) << 1 << qint64(86806) << 87;
    QTest::newRow("1 @ 9600 8N1") << 1 << 9600 << 8 << int(ferrotap::pNone) << 1 << qint64(1042)
                                  << 2;
    QTest::newRow("10 @ 9600 8N1")
        << 10 << 9600 << 8 << int(ferrotap::pNone) << 1 << qint64(10417) << 11;
    QTest::newRow("3 @ 9600 7O1") << 3 << 9600 << 7 << int(ferrotap::pOdd) << 1 << qint64(3125)
                                  << 4;
    QTest::newRow("1 @ 1200 5N1.5")
        << 1 << 1200 << 5 << int(ferrotap::pNone) << 1 << qint64(6667) << 7;
    QTest::newRow("any rate 31250")
        << 3 << 31250 << 8 << int(ferrotap::pNone) << 1 << qint64(960) << 1;
    QTest::newRow("0 bytes") << 0 << 9600 << 8 << int(ferrotap::pNone) << 1 << qint64(0) << 1;
    QTest::newRow("baud 0") << 10 << 0 << 8 << int(ferrotap::pNone) << 1 << qint64(0) << 1;
  }
  void rs485LineTimes() {
    QFETCH(int, bytes);
    QFETCH(int, baud);
    QFETCH(int, dataBits);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(qint64, us);
    QFETCH(int, ms);
    const ferrotap::LineSettings line{baud, static_cast<ferrotap::Parity>(parity),
                                      static_cast<uint16_t>(dataBits),
                                      ferrotap::EffectiveStopBits(dataBits, stopBits)};
    const auto count = static_cast<std::size_t>(bytes);
    QCOMPARE(ferrotap::LineTimeUs(count, line), us);
    QCOMPARE(ferrotap::Rs485IntervalMs(count, line), ms);
  }
};

FERROTAP_TEST(CpsFileTest)
#include "cps_file_test.moc"
