// SPDX-License-Identifier: MIT
#include <QtTest>

#include <stdexcept>

#include "serial/port_settings_choice.h"
#include "tests/support/test_registry.h"

using ferrotap::Parity;
using ferrotap::PortLineSettings;

class PortSettingsChoiceTest : public QObject {
  Q_OBJECT

 private slots:
  void lineFromControls_data() {
    QTest::addColumn<QString>("com");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("dataBits");
    QTest::addColumn<int>("parityIndex");
    QTest::addColumn<QString>("parityText");
    QTest::addColumn<QString>("stopBits");
    QTest::addColumn<int>("expectedParity");
    QTest::addColumn<int>("expectedStop");

    QTest::newRow("defaults") << "1"
                              << "9600"
                              << "8" << 0 << "None"
                              << "1" << int(ferrotap::pNone) << 1;
    QTest::newRow("odd") << "2"
                         << "300"
                         << "7" << 1 << "Odd"
                         << "2" << int(ferrotap::pOdd) << 2;
    QTest::newRow("even") << "3"
                          << "19200"
                          << "8" << 2 << "Even"
                          << "1" << int(ferrotap::pEven) << 1;
    QTest::newRow("mark") << "4"
                          << "4800"
                          << "8" << 3 << "Mark"
                          << "1" << int(ferrotap::pMark) << 1;
    QTest::newRow("space") << "16"
                           << "115200"
                           << "6" << 4 << "Space"
                           << "1" << int(ferrotap::pSpace) << 1;
    QTest::newRow("index wins over text") << "1"
                                          << "9600"
                                          << "8" << 1 << "Even"
                                          << "1" << int(ferrotap::pOdd) << 1;
    QTest::newRow("typed parity any case") << "1"
                                           << "9600"
                                           << "8" << -1 << " mARk "
                                           << "1" << int(ferrotap::pMark) << 1;
    QTest::newRow("typed parity unknown") << "1"
                                          << "9600"
                                          << "8" << -1 << "Marks"
                                          << "1" << int(ferrotap::pNone) << 1;
    QTest::newRow("1.5 with 8 bits is two") << "1"
                                            << "9600"
                                            << "8" << 0 << "None"
                                            << "1.5" << int(ferrotap::pNone) << 2;
    QTest::newRow("1.5 with 5 bits") << "1"
                                     << "9600"
                                     << "5" << 0 << "None"
                                     << "1.5" << int(ferrotap::pNone) << 2;
    QTest::newRow("typed stop bits") << "1"
                                     << "9600"
                                     << "8" << 0 << "None"
                                     << "3" << int(ferrotap::pNone) << 1;
    QTest::newRow("integers with blanks") << " 7"
                                          << "+1200"
                                          << " 5" << 0 << "None"
                                          << "1" << int(ferrotap::pNone) << 1;
  }
  void lineFromControls() {
    QFETCH(QString, com);
    QFETCH(QString, baud);
    QFETCH(QString, dataBits);
    QFETCH(int, parityIndex);
    QFETCH(QString, parityText);
    QFETCH(QString, stopBits);
    QFETCH(int, expectedParity);
    QFETCH(int, expectedStop);
    const PortLineSettings line = ferrotap::PortLineSettingsFromControls(
        com.toStdString(), baud.toStdString(), dataBits.toStdString(), parityIndex,
        parityText.toStdString(), stopBits.toStdString());
    QCOMPARE(int(line.comNumber), com.trimmed().toInt());
    QCOMPARE(int(line.baud), baud.toInt());
    QCOMPARE(int(line.dataBits), dataBits.trimmed().toInt());
    QCOMPARE(int(line.parity), expectedParity);
    QCOMPARE(int(line.stopBits), expectedStop);
  }

  void invalidTextsStopWithAMessage_data() {
    QTest::addColumn<QString>("com");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("dataBits");
    QTest::addColumn<QString>("message");
    QTest::newRow("port name") << "COM1"
                               << "9600"
                               << "8"
                               << "'COM1' is not a valid integer value";
    QTest::newRow("empty port") << ""
                                << "9600"
                                << "8"
                                << "'' is not a valid integer value";
    QTest::newRow("baud with unit") << "1"
                                    << "9600 bd"
                                    << "8"
                                    << "'9600 bd' is not a valid integer value";
    QTest::newRow("data bits") << "1"
                               << "9600"
                               << "8.0"
                               << "'8.0' is not a valid integer value";
    QTest::newRow("negative port") << "-1"
                                   << "9600"
                                   << "8"
                                   << "'-1' is out of range for the COM port number (0 to 65535)";
    QTest::newRow("port too big") << "65536"
                                  << "9600"
                                  << "8"
                                  << "'65536' is out of range for the COM port number (0 to 65535)";
    QTest::newRow("negative baud") << "1"
                                   << "-9600"
                                   << "8"
                                   << "'-9600' is out of range for the baud rate (1 to 2147483647)";
    QTest::newRow("two signs") << "+-5"
                               << "9600"
                               << "8"
                               << "'+-5' is not a valid integer value";
    QTest::newRow("NUL shown, not cut") << QString::fromLatin1(QByteArray("1\0x", 3)) << "9600"
                                        << "8"
                                        << "'1$00x' is not a valid integer value";
    QTest::newRow("Latin-1 letter") << "1"
                                    << "9600\u00b0"
                                    << "8"
                                    << "'9600\u00b0' is not a valid integer value";
    QTest::newRow("nine bits") << "1"
                               << "9600"
                               << "9"
                               << "'9' is out of range for the data bits (5 to 8)";
  }
  void invalidTextsStopWithAMessage() {
    QFETCH(QString, com);
    QFETCH(QString, baud);
    QFETCH(QString, dataBits);
    QFETCH(QString, message);
    try {
      // Latin-1, as the page hands its texts over.
      ferrotap::PortLineSettingsFromControls(com.toLatin1().toStdString(),
                                             baud.toLatin1().toStdString(),
                                             dataBits.toLatin1().toStdString(), 0, "None", "1");
      QFAIL("no error");
    } catch (const std::runtime_error& error) {
      QCOMPARE(QString::fromStdString(error.what()), message);
    }
  }

  void statusBarTexts() {
    const auto rs232 =
        ferrotap::StatusBarTexts(false, "1", std::nullopt, "9600", "Mark", "8", "1.5");
    const std::array<std::string, 6> expected232 = {
        "Type: RS-232C", "COM 1", "BR: 9600", "Parity: Mark", "DataBits: 8", "StopBits: 1.5"};
    QVERIFY(rs232 == expected232);
    const auto spy = ferrotap::StatusBarTexts(true, "1", "2", "115200", "None", "7", "2");
    QCOMPARE(spy[0], std::string("Type: RS-485"));
    QCOMPARE(spy[1], std::string("COM 1/2"));
    QCOMPARE(spy[2], std::string("BR: 115200"));
  }
};

FERROTAP_TEST(PortSettingsChoiceTest)
#include "port_settings_choice_test.moc"
