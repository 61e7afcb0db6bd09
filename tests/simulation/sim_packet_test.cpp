// SPDX-License-Identifier: MIT
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
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("packet");
    QTest::newRow("ID, LEN, CMD, checksum") << true << true << true << QByteArray("\x10\xAA\xBB")
                                            << QByteArray("\x02\x01\x04\x10\xAA\xBB\x7A");
    QTest::newRow("300 bytes") << true << true << true << QByteArray(300, '\x01')
                               << QByteArray("\x02\x01\x2D") + QByteArray(300, '\x01') + "\x5A";
    QTest::newRow("ETX without LEN")
        << true << false << false << QByteArray("\x05\x41") << QByteArray("\xA5\x09\x05\x41\x5A");
    QTest::newRow("ETX after checksum")
        << false << false << true << QByteArray("\x05\xFF") << QByteArray("\xA5\x05\xFF\x04\x5A");
  }

  void buildSimPacket() {
    QFETCH(bool, useId);
    QFETCH(bool, endByLength);
    QFETCH(bool, useChecksum);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, packet);
    ProtocolDefinition definition;
    if (!endByLength) {
      // Framing characters and the ID come from the definition, the ID as its low byte.
      definition.STX_CHAR = 0xA5;
      definition.ETX_CHAR = 0x5A;
      definition.ID_SIM = 0x109;
    }
    const ProtocolOptions options{
        .useId = useId, .endByLength = endByLength, .useChecksum = useChecksum};
    QCOMPARE(QByteArray::fromStdString(BuildSimPacket(payload.toStdString(), definition, options)),
             packet);
  }

  void swapNibbles() {
    QCOMPARE(SwapNibbles(0x07), uint8_t{0x70});
    QCOMPARE(SwapNibbles(0x12), uint8_t{0x21});
    QCOMPARE(SwapNibbles(0xF0), uint8_t{0x0F});
  }
};

FERROTAP_TEST(SimPacketTest)

}  // namespace ferrotap

#include "sim_packet_test.moc"
