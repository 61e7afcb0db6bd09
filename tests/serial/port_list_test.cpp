// SPDX-License-Identifier: MIT
#include <QtTest>
#include <filesystem>

#include "serial/port_list.h"
#include "serial/port_map.h"
#include "tests/support/fake_sysfs.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

using test::FakeSysfs;
using test::WriteFile;

// "<numbers> <file name of the path>" of each listing, compact enough to compare whole.
QStringList Summary(const std::vector<PortListing>& listings) {
  QStringList lines;
  for (const PortListing& listing : listings) {
    QString line;
    for (uint16_t n : listing.numbers) line += QString::number(n) + ",";
    if (line.isEmpty()) line = "-";
    lines << line + " " + QString::fromStdString(std::filesystem::path(listing.path).filename());
  }
  return lines;
}

}  // namespace

class PortListTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    sys_.AddUsbTty("ttyUSB0", 1, "FT232R USB UART", "FTDI", "A50285BI");
    sys_.AddUsbTty("ttyACM0", 2, "Uno", "Arduino", "");
    sys_.AddUsbTty("ttyACM16", 3, "CDC Serial", "", "");
    sys_.AddUart("ttyS0", "4");
    sys_.AddUart("ttyS1", "0");
    sys_.AddUart("ttyS2", "4");
    sys_.AddVirtualTty("tty0");
    // ttyS2 has no node: the kernel knows the port, this system does not offer it.
    for (const char* node : {"ttyUSB0", "ttyACM0", "ttyACM16", "ttyS0", "ttyS1", "tty0"}) {
      sys_.AddNode(node);
    }
    sys_.AddStableLink("usb-FTDI_A50285BI-if00-port0", "ttyUSB0");
    roots_ = {sys_.Root().string(), sys_.DevRoot()};
  }

  void defaultNumbersInvertTheTable_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number");
    QTest::newRow("first ttyS") << "ttyS0" << 1;
    QTest::newRow("last low ttyS") << "ttyS3" << 4;
    QTest::newRow("high ttyS") << "ttyS4" << 37;
    QTest::newRow("first ttyUSB") << "ttyUSB0" << 5;
    QTest::newRow("last ttyUSB") << "ttyUSB15" << 20;
    QTest::newRow("first ttyACM") << "ttyACM0" << 21;
    QTest::newRow("last ttyACM") << "ttyACM15" << 36;
    QTest::newRow("ttyUSB beyond the table") << "ttyUSB16" << 0;
    QTest::newRow("ttyACM beyond the table") << "ttyACM16" << 0;
    QTest::newRow("leading zero") << "ttyS01" << 0;
    QTest::newRow("other driver") << "ttyAMA0" << 0;
    QTest::newRow("no index") << "ttyUSB" << 0;
  }
  void defaultNumbersInvertTheTable() {
    QFETCH(QString, name);
    QFETCH(int, number);
    QCOMPARE(int(DefaultPortNumber(name.toStdString())), number);
    if (number != 0) {
      QCOMPARE(DefaultDevicePath(static_cast<uint16_t>(number)), "/dev/" + name.toStdString());
    }
  }

  void mapFileEntriesInOrder() {
    const std::vector<PortMapping> entries = PortMapEntries(
        "# mine\r\n com21 = /dev/a \r\nCOM0=/dev/zero\nCOM07=/dev/b\nCOM65536=/x\n"
        "COM3\nCOMX=/dev/c\nCOM21=/dev/d\nCOM65535=\n");
    const std::vector<PortMapping> expected = {{21, "/dev/a"}, {21, "/dev/d"}, {65535, ""}};
    QCOMPARE(entries, expected);
    QCOMPARE(PortMapEntry("COM21=/dev/a\nCOM21=/dev/d\n", 21), std::string("/dev/a"));
  }

  void listsEveryDevicePresentWithItsNumber() {
    QTemporaryDir settings;
    const std::vector<PortListing> found = ListSerialPorts(settings.path().toStdString(), roots_);
    QCOMPARE(Summary(found), QStringList({"1, ttyS0", "5, ttyUSB0", "21, ttyACM0", "- ttyACM16"}));
    QCOMPARE(found[0].description, std::string("16550A UART"));
    QCOMPARE(found[1].description, std::string("FT232R USB UART, FTDI, A50285BI"));
    QCOMPARE(found[1].links, std::vector<std::string>{
                                 sys_.DevRoot() + "/serial/by-id/usb-FTDI_A50285BI-if00-port0"});
    QCOMPARE(PortListingText(found[2]), "21  " + sys_.DevRoot() + "/ttyACM0  Uno, Arduino");
    QCOMPARE(PortListingText(found[3]), "-  " + sys_.DevRoot() + "/ttyACM16  CDC Serial");
  }

  // A mapped number comes first, and a number mapped elsewhere no longer reaches its default.
  void mappedNumbersWin() {
    QTemporaryDir settings;
    WriteFile(settings.path().toStdString() + "/ports.map",
              "COM40=" + sys_.DevRoot() + "/serial/by-id/usb-FTDI_A50285BI-if00-port0\n" +
                  "COM21=" + sys_.DevRoot() + "/ttyACM16\nCOM50=" + sys_.DevRoot() + "/ttyUSB9\n");
    const std::vector<PortListing> found = ListSerialPorts(settings.path().toStdString(), roots_);
    QCOMPARE(Summary(found),
             QStringList({"1, ttyS0", "21, ttyACM16", "40,5, ttyUSB0", "- ttyACM0"}));
  }

  void pluggedDeviceAppears() {
    QTemporaryDir settings;
    sys_.RemoveNode("ttyACM0");
    QCOMPARE(Summary(ListSerialPorts(settings.path().toStdString(), roots_)),
             QStringList({"1, ttyS0", "5, ttyUSB0", "- ttyACM16"}));
    sys_.AddNode("ttyACM0");
    QCOMPARE(Summary(ListSerialPorts(settings.path().toStdString(), roots_)),
             QStringList({"1, ttyS0", "5, ttyUSB0", "21, ttyACM0", "- ttyACM16"}));
  }

  // The classic numbers always, beside every number that reaches a device.
  void choicesKeepTheClassicNumbers() {
    QTemporaryDir settings;
    const std::string dir = settings.path().toStdString();
    const std::vector<PortChoice> choices = PortChoices(ListSerialPorts(dir, roots_), dir);
    QCOMPARE(choices.size(), std::size_t{17});
    for (uint16_t n = 1; n <= 16; ++n) QCOMPARE(choices[n - 1].number, n);
    QCOMPARE(choices[0].found, sys_.DevRoot() + "/ttyS0: 16550A UART");
    QCOMPARE(choices[1].found, std::string());
    QCOMPARE(choices[1].path, std::string("/dev/ttyS1"));
    QCOMPARE(choices[16].number, uint16_t{21});
    QCOMPARE(choices[16].path, std::string("/dev/ttyACM0"));
    QCOMPARE(choices[16].found, sys_.DevRoot() + "/ttyACM0: Uno, Arduino");
  }

 private:
  FakeSysfs sys_;
  DeviceRoots roots_;
};

}  // namespace ferrotap

using ferrotap::PortListTest;
FERROTAP_TEST(PortListTest)
#include "port_list_test.moc"
