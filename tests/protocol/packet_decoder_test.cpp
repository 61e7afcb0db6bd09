// SPDX-License-Identifier: MIT
#include <QtTest>
#include <string>
#include <vector>

#include "protocol/packet_decoder.h"
#include "tests/support/recording_output.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

using test::Recorder;

class HookRecorder : public SlaveHooks {
 public:
  void BeforePacketLine(int cmd) override { calls.push_back("before " + std::to_string(cmd)); }
  void AfterHandShakeAnswer(int cmd, bool acknowledged) override {
    calls.push_back("after " + std::to_string(cmd) + (acknowledged ? " ack" : " nak"));
  }
  void StartSyncDelay() override { calls.push_back("sync delay"); }
  std::vector<std::string> calls;
};

Bytes B(std::initializer_list<int> values) {
  Bytes bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

constexpr uint16_t kPack = 1;
constexpr uint16_t kHandShake = 2;

struct Fixture {
  explicit Fixture(PacketDecoder::Port port = PacketDecoder::Port::A) : decoder(port, out) {
    decoder.SetTriggers(kPack, kHandShake);
    decoder.SetSlaveHooks(&hooks);
  }
  void Decode(const Bytes& bytes) { decoder.Decode(bytes, definition, options); }

  Recorder out;
  HookRecorder hooks;
  PacketDecoder decoder;
  ProtocolDefinition definition;
  DecoderOptions options;
};

}  // namespace

class PacketDecoderTest : public QObject {
  Q_OBJECT

 private slots:
  void exampleLine() {
    Fixture f;
    f.Decode(B({0x02, 0x01, 0x04, 0x10, 0x41, 0x42, 0x98}));
    const std::vector<Recorder::Run> expected = {
        {ColorRole::PortAData, "ID=01 COM=10  DATA(Hex)= 41 42 \r\n"}};
    QCOMPARE(f.out.runs, expected);
    QCOMPARE(f.out.events, (std::vector<std::string>{"arm 1 18", "disarm 1"}));
    QCOMPARE(f.decoder.State().phase, DecoderPhase::Idle);

    f.Decode(B({0x02, 0x01, 0x04, 0x10, 0x41, 0x42, 0x99}));
    const std::vector<Recorder::Run> withError = {
        {ColorRole::PortAData,
         "ID=01 COM=10  DATA(Hex)= 41 42 \r\nID=01 COM=10  DATA(Hex)= 41 42 "},
        {ColorRole::ProtFatalError, "CKS error: 99(98)"},
        {ColorRole::PortAData, "\r\n"}};
    QCOMPARE(f.out.runs, withError);
  }

  // The same stream cut in two at every position gives the same output as whole.
  void splitAnywhere_data() {
    QTest::addColumn<bool>("useId");
    QTest::addColumn<bool>("endByLength");
    QTest::addColumn<bool>("useCmd");
    QTest::addColumn<bool>("useChecksum");
    QTest::addColumn<Bytes>("stream");
    const Bytes mixed = B({0x55, 0x02, 0x01, 0x04, 0x10, 0x41, 0x42, 0x98, 0x06, 0x15, 0x02,
                           0x00, 0x02, 0x07, 0x01, 0x08, 0x02, 0x05, 0x01, 0x31, 0x32, 0x09});
    QTest::newRow("all fields") << true << true << true << true << mixed;
    QTest::newRow("no id, no cks") << false << true << true << false << mixed;
    QTest::newRow("len only") << false << true << false << true << mixed;
    QTest::newRow("etx") << true << false << true << false
                         << B({0x02, 0x01, 0x10, 0x41, 0x03, 0x06, 0x7F, 0x02, 0x05, 0x03});
  }
  void splitAnywhere() {
    QFETCH(bool, useId);
    QFETCH(bool, endByLength);
    QFETCH(bool, useCmd);
    QFETCH(bool, useChecksum);
    QFETCH(Bytes, stream);
    const auto configure = [&](Fixture& f) {
      f.options.protocol.useId = useId;
      f.options.protocol.endByLength = endByLength;
      f.options.protocol.useCmd = useCmd;
      f.options.protocol.useChecksum = useChecksum;
      f.options.simulateSlave = true;
    };
    Fixture whole;
    configure(whole);
    whole.Decode(stream);
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
      Fixture split;
      configure(split);
      split.Decode(stream.substr(0, cut));
      split.Decode(stream.substr(cut));
      QCOMPARE(split.out.Text(), whole.out.Text());
      QCOMPARE(split.out.runs, whole.out.runs);
      QCOMPARE(split.out.events, whole.out.events);
      QCOMPARE(split.hooks.calls, whole.hooks.calls);
    }
  }

  // LEN counts CMD, data and CKS: short lengths end the packet early, and the byte after it is
  // the next one outside the packet.
  void shortLengths_data() {
    QTest::addColumn<bool>("useCmd");
    QTest::addColumn<Bytes>("bytes");
    QTest::addColumn<std::string>("text");
    QTest::newRow("cmd, len 1: ends at cmd, next STX opens a packet")
        << true << B({0x02, 0x01, 0x01, 0x10, 0x02, 0x01, 0x02, 0x10, 0x13})
        << std::string(
               "ID=01 LEN=01 COM=10  DATA(Hex)= voidCKS missing\r\n"
               "ID=01 COM=10  DATA(Hex)= void\r\n");
    QTest::newRow("cmd, len 0") << true << B({0x02, 0x01, 0x00, 0x10, 0x41})
                                << std::string(
                                       "ID=01 LEN=00 COM=10  DATA(Hex)= voidCKS missing\r\n"
                                       "41 ");
    QTest::newRow("no cmd, len 0: the next byte is the checksum")
        << false << B({0x02, 0x01, 0x00, 0x01}) << std::string("ID=01 LEN=00  DATA(Hex)= void\r\n");
    QTest::newRow("no cmd, len 1")
        << false << B({0x02, 0x01, 0x01, 0x02}) << std::string("ID=01 LEN=01  DATA(Hex)= void\r\n");
  }
  void shortLengths() {
    QFETCH(bool, useCmd);
    QFETCH(Bytes, bytes);
    QFETCH(std::string, text);
    Fixture f;
    f.options.protocol.useCmd = useCmd;
    f.Decode(bytes);
    QCOMPARE(f.out.Text(), text);
  }

  // A checksum is never compared with the byte of an earlier packet: a packet that ended before
  // its checksum is reported as such and answered NAK, without a simulated answer.
  void missingChecksumIsNeverTakenFromAnEarlierPacket() {
    Fixture f;
    f.options.simulateSlave = true;
    f.Decode(B({0x02, 0x01, 0x04, 0x10, 0x41, 0x42, 0x98}));
    f.out.runs.clear();
    f.out.events.clear();
    f.hooks.calls.clear();
    f.Decode(B({0x02, 0x01, 0x01, 0x10}));
    QCOMPARE(f.out.TextIn(ColorRole::ProtFatalError), std::string("CKS missing"));
    QVERIFY(f.out.HasEvent("tx 15"));
    QVERIFY(!f.out.HasEvent("tx 06"));
    QCOMPARE(f.hooks.calls, (std::vector<std::string>{"before 16", "after 16 nak"}));
  }

  void fieldsOutOfRange() {
    Fixture f;
    f.definition.CMD_MIN = 0x20;
    f.Decode(B({0x02, 0x00, 0x02, 0x10, 0x12}));  // ID 0 is the broadcast address
    QCOMPARE(f.out.TextIn(ColorRole::ProtOutOfRange), std::string("10 "));
    f.out.runs.clear();
    f.definition.ID_MAX = 0x10;
    f.definition.LEN_MAX = 2;
    f.Decode(B({0x02, 0x11, 0x03, 0x20, 0x41, 0x75}));
    QCOMPARE(f.out.Text(), std::string("ID=11 LEN=03 COM=20  DATA(Hex)= 41 \r\n"));
    QCOMPARE(f.out.TextIn(ColorRole::ProtOutOfRange), std::string("11 LEN=03 "));
  }

  void asciiFiltFields() {
    Fixture f;
    f.options.format = DisplayFormat::AsciiFilt;
    f.Decode(B({0x02, 0x05, 0x03, 0x41, 0x42, 0x8B}));
    f.Decode(B({0x02, 0x41, 0x02, 0x10, 0x53}));
    QCOMPARE(f.out.Text(),
             std::string("ID=05 COM=A  DATA(ASCflt)= B\r\nID=A COM=10  DATA(ASCflt)= void\r\n"));
  }

  // Outside packets: STX opens one, hand-shake characters are shown on their own line, anything
  // else is a stray byte.
  void bytesOutsidePackets_data() {
    QTest::addColumn<bool>("portA");
    QTest::addColumn<bool>("handShake");
    QTest::addColumn<int>("syncType");
    QTest::addColumn<std::string>("handShakeText");
    QTest::addColumn<std::string>("strayText");
    QTest::newRow("A, hand-shake on")
        << true << true << 1 << std::string("ACK\r\nNAK\r\nSYN\r\n") << std::string("55 ");
    QTest::newRow("A, no SYN type")
        << true << true << 0 << std::string("ACK\r\nNAK\r\n") << std::string("55 04 ");
    QTest::newRow("A, hand-shake off")
        << true << false << 1 << std::string() << std::string("55 06 15 04 ");
    QTest::newRow("B, hand-shake on")
        << false << true << 1 << std::string("ACK\r\nNAK\r\nSYN\r\n") << std::string("55 ");
    QTest::newRow("B, hand-shake off")
        << false << false << 1 << std::string() << std::string("55 06 15 04 ");
  }
  void bytesOutsidePackets() {
    QFETCH(bool, portA);
    QFETCH(bool, handShake);
    QFETCH(int, syncType);
    QFETCH(std::string, handShakeText);
    QFETCH(std::string, strayText);
    Fixture f(portA ? PacketDecoder::Port::A : PacketDecoder::Port::B);
    f.options.protocol.useHandShake = handShake;
    f.options.protocol.syncType = static_cast<SyncType>(syncType);
    f.Decode(B({0x55, 0x06, 0x15, 0x04, 0x02, 0x01, 0x03, 0x10, 0x41, 0x55}));
    const ColorRole hs = portA ? ColorRole::PortAHandShake : ColorRole::PortBHandShake;
    const ColorRole data = portA ? ColorRole::PortAData : ColorRole::PortBData;
    QCOMPARE(f.out.TextIn(hs), handShakeText);
    QCOMPARE(f.out.TextIn(ColorRole::ProtFatalError), strayText);
    QCOMPARE(f.out.TextIn(data), std::string("ID=01 COM=10  DATA(Hex)= 41 \r\n"));
    QCOMPARE(f.out.color, data);
    QCOMPARE(f.out.HasEvent("disarm 2"), portA && handShake);
  }

  // Port A follows the hand-shake flags of the master and slave.
  void portAHandShake() {
    Fixture f;
    f.options.protocol.syncType = SyncType::Character;
    HandShakeFlags& flags = f.decoder.Flags();
    flags = {true, true, false, true};
    f.Decode(B({0x06}));
    QVERIFY(f.out.HasEvent("arm 2 36"));  // now waiting for the slave's SYNC
    QCOMPARE(f.hooks.calls, std::vector<std::string>{"sync delay"});
    QVERIFY(!flags.awaitingAckNak);
    f.Decode(B({0x04}));
    QVERIFY(!flags.syncExpected);

    f.out.events.clear();
    f.options.protocol.syncType = SyncType::RtsCts;
    flags = {true, false, true, true};
    f.Decode(B({0x15}));
    QCOMPARE(f.out.events, (std::vector<std::string>{"disarm 2", "rts on"}));
    QVERIFY(!flags.awaitingAckNak && !flags.answerExpected && !flags.syncToSend);
  }

  // The master acknowledges the slave's answer; a slave acknowledges every good packet.
  void handShakeAnswers_data() {
    QTest::addColumn<bool>("slave");
    QTest::addColumn<bool>("answerExpected");
    QTest::addColumn<bool>("goodChecksum");
    QTest::addColumn<std::string>("sent");
    QTest::addColumn<std::string>("echo");
    QTest::newRow("monitor only") << false << false << true << std::string() << std::string();
    QTest::newRow("master, answer")
        << false << true << true << std::string("tx 06") << std::string("<ACK>");
    QTest::newRow("slave, good") << true << false << true << std::string("tx 06")
                                 << std::string("<ACK>");
    QTest::newRow("slave, bad cks")
        << true << false << false << std::string("tx 15") << std::string("<NAK>");
  }
  void handShakeAnswers() {
    QFETCH(bool, slave);
    QFETCH(bool, answerExpected);
    QFETCH(bool, goodChecksum);
    QFETCH(std::string, sent);
    QFETCH(std::string, echo);
    Fixture f;
    f.options.simulateSlave = slave;
    f.decoder.Flags().answerExpected = answerExpected;
    f.Decode(B({0x02, 0x01, 0x03, 0x10, 0x41, goodChecksum ? 0x55 : 0x56}));
    QCOMPARE(f.out.HasEvent("tx 06") || f.out.HasEvent("tx 15"), !sent.empty());
    if (!sent.empty()) QVERIFY(f.out.HasEvent(sent));
    QCOMPARE(f.out.TextIn(ColorRole::ProtSimulated), echo);
    QVERIFY(!f.decoder.Flags().answerExpected);
    QCOMPARE(f.hooks.calls.size(), std::size_t{slave ? 2u : 0u});
  }

  void timeOuts() {
    Fixture f;
    f.decoder.PackTimedOut("\r\n");
    QVERIFY(f.out.runs.empty());  // nothing in progress: nothing to say
    f.Decode(B({0x02, 0x01}));
    f.decoder.PackTimedOut("\r\n");
    QCOMPARE(f.out.TextIn(ColorRole::ProtFatalError),
             std::string("\r\nPort A: Pack Time Out.\r\n"));
    QCOMPARE(f.decoder.State().phase, DecoderPhase::Idle);

    f.out.runs.clear();
    f.decoder.Flags() = {true, true, false, false};
    f.decoder.HandShakeTimedOut("\r\n");
    f.decoder.Flags().syncExpected = true;
    f.decoder.HandShakeTimedOut("\r\n");
    QCOMPARE(f.out.Text(), std::string("\r\n ACK - NAK Time Out !\r\n\r\nSYNC Time Out !\r\n"));
    QVERIFY(!f.decoder.Flags().awaitingAckNak && !f.decoder.Flags().syncExpected);

    Fixture b(PacketDecoder::Port::B);
    b.Decode(B({0x02}));
    b.decoder.PackTimedOut("\r\n");
    QCOMPARE(b.out.Text(), std::string("\r\nPort B: Pack Time Out.\r\n"));
  }

  // A packet whose ETX never comes: the sum stays a byte all along, and past the bound the packet
  // is given up with a line that says so; the next STX opens a packet that decodes.
  void etxPacketWithoutEndIsAbandoned() {
    Fixture f;
    f.options.protocol.endByLength = false;
    f.options.protocol.useCmd = false;
    f.options.protocol.useChecksum = false;
    f.Decode(B({0x02, 0x01}) + Bytes(kMaxEtxPacketData / 2, '\xFF'));
    QVERIFY(f.decoder.State().checksum < 256);
    QCOMPARE(f.decoder.State().checksum, (1 + 255 * (kMaxEtxPacketData / 2)) % 256);
    f.Decode(Bytes(kMaxEtxPacketData / 2, '\xFF') + B({0xEE, 0x02, 0x05, 0x41, 0x03}));
    QCOMPARE(f.out.TextIn(ColorRole::ProtFatalError),
             "\r\nPort A: Pack abandoned, no ETX in 65536 bytes.\r\nEE ");
    QCOMPARE(f.out.runs.back(), (Recorder::Run{ColorRole::PortAData, "ID=05  DATA(Hex)= 41 \r\n"}));
    QCOMPARE(f.out.events,
             (std::vector<std::string>{"arm 1 18", "disarm 1", "arm 1 18", "disarm 1"}));
    QCOMPARE(f.decoder.State().phase, DecoderPhase::Idle);
  }

  void operatorReset() {
    Fixture f;
    f.Decode(B({0x02, 0x01, 0x05}));
    f.decoder.ResetCurrentPacket("Operator Reset", "\r\n");
    QCOMPARE(f.decoder.State().phase, DecoderPhase::Idle);
    QVERIFY(f.out.HasEvent("disarm 1") && f.out.HasEvent("disarm 2"));
    QCOMPARE(f.out.TextIn(ColorRole::ProtFatalError), std::string("Operator Reset\r\n"));
    f.Decode(B({0x02, 0x01, 0x02, 0x10, 0x13}));
    QCOMPARE(f.out.TextIn(ColorRole::PortAData), std::string("ID=01 COM=10  DATA(Hex)= void\r\n"));
  }

  // A send that fails inside a completion leaves the decoder ready for the next packet.
  void throwingSendLeavesTheDecoderIdle() {
    struct Throwing : Recorder {
      bool Transmit(const Bytes&) override { throw std::runtime_error("port closed"); }
    } out;
    PacketDecoder decoder(PacketDecoder::Port::A, out);
    DecoderOptions options;
    options.simulateSlave = true;
    ProtocolDefinition definition;
    QVERIFY_THROWS_EXCEPTION(
        std::runtime_error, decoder.Decode(B({0x02, 0x01, 0x02, 0x10, 0x13}), definition, options));
    QCOMPARE(decoder.State().phase, DecoderPhase::Idle);
  }
};

FERROTAP_TEST(PacketDecoderTest)

}  // namespace ferrotap

#include "packet_decoder_test.moc"
