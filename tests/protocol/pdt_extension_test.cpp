// SPDX-License-Identifier: MIT
#include <QtTest>
#include <string>
#include <vector>

#include "protocol/pdt_extension.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

PdtExtension ModbusRtu() {
  PdtExtension e;
  e.framing = Framing::BySilence;
  e.silenceTenths = 35;
  e.silenceUsesLen = false;
  e.checksumKind = ChecksumKind::Crc16Modbus;
  e.checksumOrder = ByteOrder::LowFirst;
  e.commandNames = ModbusRtuCommandNames();
  return e;
}

PdtExtensionReadResult Read(const std::vector<std::string>& lines) {
  return ReadPdtExtensionLines(lines);
}

}  // namespace

class PdtExtensionTest : public QObject {
  Q_OBJECT

 private slots:
  // Files carry these lines: their text is what stored files and the shipped presets rely on.
  void modbusLines() {
    const std::vector<std::string> lines = WritePdtExtensionLines(ModbusRtu());
    const std::vector<std::string> expected = {
        "Framing=By silence",
        "Silence_Gap=3.5",
        "Silence_Use_LEN=False",
        "CKS_Kind=CRC-16/MODBUS",
        "CKS_Byte_Order=Low byte first",
        "CMD_Names=01 read coils; 02 read discrete inputs; 03 read holding registers; "
        "04 read input registers; 05 write single coil; 06 write single register; "
        "07 read exception status; 08 diagnostics; 0B get comm event counter; "
        "0C get comm event log; 0F write multiple coils; 10 write multiple registers; "
        "11 report server id; 14 read file record; 15 write file record; "
        "16 mask write register; 17 read/write multiple registers; 18 read fifo queue; "
        "2B encapsulated interface transport",
        "Exception_Flag=80",
        "Exception_Codes=01 illegal function; 02 illegal data address; 03 illegal data value; "
        "04 server device failure; 05 acknowledge; 06 server device busy; "
        "08 memory parity error; 0A gateway path unavailable; "
        "0B gateway target device failed to respond",
    };
    QCOMPARE(lines, expected);
    const PdtExtensionReadResult read = Read(lines);
    QVERIFY(!read.failed);
    QCOMPARE(read.extension, ModbusRtu());

    PdtExtension other;
    other.silenceTenths = 10000;
    other.checksumKind = ChecksumKind::Crc32;
    other.checksumOrder = ByteOrder::HighFirst;
    QCOMPARE(Read(WritePdtExtensionLines(other)).extension, other);
  }

  // What followed line 23 before these options existed is skipped: such files read as defaults.
  void unknownLinesKeepDefaults() {
    const PdtExtensionReadResult read =
        Read({"", "a note without equals", "Comment=CKS_Kind=CRC-32", "Framing2=By silence"});
    QVERIFY(!read.failed);
    QCOMPARE(read.extension, PdtExtension{});
    QCOMPARE(Read({}).extension, PdtExtension{});
  }

  // Hand-edited lines: keys and choices in any case, blanks around values and entries.
  void lenientForms() {
    const PdtExtensionReadResult read =
        Read({"CKS_KIND = crc-8 ", "framing=by SILENCE", "Silence_Gap= 12",
              "cks_byte_order=HIGH BYTE FIRST", "CMD_Names=3 read;;  0a  write  two ;",
              "Exception_Flag=c0", "Exception_Codes=", "silence_use_len=false"});
    QVERIFY2(!read.failed, read.message.c_str());
    QCOMPARE(read.extension.checksumKind, ChecksumKind::Crc8);
    QCOMPARE(read.extension.framing, Framing::BySilence);
    QCOMPARE(read.extension.silenceTenths, 120);
    QCOMPARE(read.extension.silenceUsesLen, false);
    QCOMPARE(read.extension.checksumOrder, ByteOrder::HighFirst);
    const std::map<int, std::string> names = {{0x03, "read"}, {0x0A, "write  two"}};
    QCOMPARE(read.extension.commandNames.commands, names);
    QCOMPARE(read.extension.commandNames.exceptionFlag, 0xC0);
  }

  void damagedLines_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("message");
    QTest::newRow("framing") << "Framing=By carrier"
                             << "'By carrier' is not a valid framing";
    QTest::newRow("empty framing") << "Framing="
                                   << "'' is not a valid framing";
    QTest::newRow("gap too short") << "Silence_Gap=0.9"
                                   << "'0.9' is not a valid silence gap";
    QTest::newRow("gap too long") << "Silence_Gap=1000.1"
                                  << "'1000.1' is not a valid silence gap";
    QTest::newRow("two decimals") << "Silence_Gap=3.55"
                                  << "'3.55' is not a valid silence gap";
    QTest::newRow("comma") << "Silence_Gap=3,5"
                           << "'3,5' is not a valid silence gap";
    QTest::newRow("sign") << "Silence_Gap=-3.5"
                          << "'-3.5' is not a valid silence gap";
    QTest::newRow("len choice") << "Silence_Use_LEN=No"
                                << "'No' is not a valid LEN choice";
    QTest::newRow("kind") << "CKS_Kind=CRC-64"
                          << "'CRC-64' is not a valid checksum kind";
    QTest::newRow("order") << "CKS_Byte_Order=Middle"
                           << "'Middle' is not a valid byte order";
    QTest::newRow("duplicate code") << "CMD_Names=01 a; 1 b"
                                    << "'01 a; 1 b' is not a valid command name table";
    QTest::newRow("code too wide") << "CMD_Names=100 a"
                                   << "'100 a' is not a valid command name table";
    QTest::newRow("no name") << "CMD_Names=01"
                             << "'01' is not a valid command name table";
    QTest::newRow("control") << "Exception_Codes=01 bad\tname"
                             << "'01 bad$09name' is not a valid exception code table";
    QTest::newRow("name too long")
        << "CMD_Names=01 " + QString(65, 'x')
        << "'01 " + QString(65, 'x') + "' is not a valid command name table";
    QTest::newRow("flag") << "Exception_Flag=0x80"
                          << "'0x80' is not a valid exception flag";
  }
  void damagedLines() {
    QFETCH(QString, line);
    QFETCH(QString, message);
    const PdtExtensionReadResult read = Read({"CKS_Kind=XOR", line.toStdString()});
    QVERIFY(read.failed);
    QCOMPARE(QString::fromStdString(read.message), message);
  }
};

FERROTAP_TEST(PdtExtensionTest)

}  // namespace ferrotap

#include "pdt_extension_test.moc"
