#include <QtTest>

#include "simulation/sim_packet.h"
#include "tests/support/test_registry.h"

namespace ferrotap {

class SimPacketTest : public QObject {
  Q_OBJECT

 private slots:
  void buildSimPacket_data() {
    QTest::addColumn<bool>("useId");
    QTest::addColumn<bool>("endByLength");
    QTest::addColumn<bool>("useChecksum");
    QTest::addColumn<int>("idSim");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("packet");
    QTest::newRow("ID, LEN, CMD, checksum")
        << true << true << true << 1 << QByteArray("\x10\xAA\xBB")
        << QByteArray("\x02\x01\x04\x10\xAA\xBB\x7A");
    QTest::newRow("ETX without LEN or checksum")
        << true << false << false << 9 << QByteArray("\x05\x41\x42")
        << QByteArray("\x02\x09\x05\x41\x42\x03");
    QTest::newRow("ETX after the checksum") << false << false << true << 1 << QByteArray("\x05\xFF")
                                            << QByteArray("\x02\x05\xFF\x04\x03");
    QTest::newRow("length without checksum")
        << false << true << false << 1 << QByteArray("\x07", 1) << QByteArray("\x02\x01\x07");
    QTest::newRow("low byte of the ID")
        << true << true << true << 0x1FF << QByteArray() << QByteArray("\x02\xFF\x01\x00", 4);
  }

  void buildSimPacket() {
    QFETCH(bool, useId);
    QFETCH(bool, endByLength);
    QFETCH(bool, useChecksum);
    QFETCH(int, idSim);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, packet);
    ProtocolDefinition definition;
    definition.ID_SIM = idSim;
    ProtocolOptions options;
    options.useId = useId;
    options.endByLength = endByLength;
    options.useChecksum = useChecksum;
    QCOMPARE(QByteArray::fromStdString(BuildSimPacket(payload.toStdString(), definition, options)),
             packet);
  }

  void lengthWrapsAndFramingCharactersFollowTheDefinition() {
    ProtocolDefinition definition;
    definition.STX_CHAR = 0xA5;
    definition.ETX_CHAR = 0x5A;
    ProtocolOptions options;
    const Bytes payload(300, '\x01');
    const Bytes byLength = BuildSimPacket(payload, definition, options);
    QCOMPARE(byLength.size(), std::size_t{1 + 1 + 1 + 300 + 1});
    QCOMPARE(static_cast<uint8_t>(byLength[0]), uint8_t{0xA5});
    QCOMPARE(static_cast<uint8_t>(byLength[2]), uint8_t{0x2D});
    QCOMPARE(static_cast<uint8_t>(byLength.back()), uint8_t((1 + 0x2D + 300) & 0xFF));
    options.endByLength = false;
    QCOMPARE(static_cast<uint8_t>(BuildSimPacket(payload, definition, options).back()),
             uint8_t{0x5A});
  }

  void swapNibbles_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("swapped");
    QTest::newRow("07") << 0x07 << 0x70;
    QTest::newRow("12") << 0x12 << 0x21;
    QTest::newRow("F0") << 0xF0 << 0x0F;
    QTest::newRow("AA") << 0xAA << 0xAA;
  }

  void swapNibbles() {
    QFETCH(int, byte);
    QFETCH(int, swapped);
    QCOMPARE(int{SwapNibbles(static_cast<uint8_t>(byte))}, swapped);
  }
};

FERROTAP_TEST(SimPacketTest)

}  // namespace ferrotap

#include "sim_packet_test.moc"
