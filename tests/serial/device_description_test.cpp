// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QtTest>
#include <filesystem>

#include "serial/device_description.h"
#include "tests/support/fake_sysfs.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace fs = std::filesystem;
using test::FakeSysfs;
using test::WriteFile;

class DeviceDescriptionTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    sys_.AddUsbTty("ttyUSB0", 1, "FT232R USB UART", "FTDI", "A50285BI");
    sys_.AddUsbTty("ttyACM0", 2, "CDC Serial", "", "");
    sys_.AddUsbTty("ttyUSB1", 3, "", "", "");
    sys_.AddUart("ttyS0", "4");
    sys_.AddUart("ttyS1", "0");
    // What /dev/serial/by-id holds: a link to the kernel's device node.
    WriteFile(sys_.Dev("dev/ttyUSB0"), "");
    fs::create_symlink(sys_.Dev("dev/ttyUSB0"), sys_.Dev("usb-FTDI_A50285BI-if00-port0"));
    fs::create_symlink(sys_.Dev("dev/ttyUSB7"), sys_.Dev("usb-gone-if00-port0"));
  }

  void describesWhatIsThere_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    const auto dev = [this](const char* name) { return QString::fromStdString(sys_.Dev(name)); };
    QTest::newRow("USB adapter") << "/dev/ttyUSB0"
                                 << "FT232R USB UART, FTDI, A50285BI";
    QTest::newRow("ACM device, product only") << "/dev/ttyACM0"
                                              << "CDC Serial";
    QTest::newRow("USB without strings") << "/dev/ttyUSB1"
                                         << "USB 0403:6001";
    QTest::newRow("built-in UART") << "/dev/ttyS0"
                                   << "16550A UART";
    QTest::newRow("legacy port without UART") << "/dev/ttyS1"
                                              << "no UART";
    QTest::newRow("missing device") << "/dev/ttyUSB15"
                                    << "no such device";
    QTest::newRow("empty path") << ""
                                << "no such device";
    QTest::newRow("by-id link") << dev("usb-FTDI_A50285BI-if00-port0")
                                << "FT232R USB UART, FTDI, A50285BI";
    QTest::newRow("dangling link") << dev("usb-gone-if00-port0") << "no such device";
  }
  void describesWhatIsThere() {
    QFETCH(QString, path);
    QFETCH(QString, expected);
    const std::string text = DescribeDevice(path.toStdString(), sys_.Root().string());
    QCOMPARE(QString::fromStdString(text), expected);
  }

  void summaryNamesThePath() {
    const std::string root = sys_.Root().string();
    QCOMPARE(DeviceSummary("/dev/ttyUSB0", root), "/dev/ttyUSB0: FT232R USB UART, FTDI, A50285BI");
    QCOMPARE(DeviceSummary("virtual:bench:a", root), "virtual:bench:a: virtual cable");
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
    const std::string slave = ptsname(master);
    QCOMPARE(DeviceSummary(slave, root), slave + ": pseudo-terminal");
    close(master);
  }

 private:
  FakeSysfs sys_;
};

}  // namespace ferrotap

using ferrotap::DeviceDescriptionTest;
FERROTAP_TEST(DeviceDescriptionTest)
#include "device_description_test.moc"
