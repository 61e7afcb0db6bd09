// SPDX-License-Identifier: MIT
#include <QtTest>
#include <sstream>
#include <string>
#include <vector>

#include "protocol/packet_decoder.h"
#include "protocol/pdt_file.h"
#include "protocol/pdt_options.h"
#include "serial/key_value.h"
#include "simulation/sim_packet.h"
#include "tests/support/recording_output.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

using test::Recorder;

// "02 01 04": bytes written as hex pairs.
Bytes H(const char* text) {
  Bytes bytes;
  std::istringstream pairs(text);
  for (int value = 0; pairs >> std::hex >> value;) bytes.push_back(static_cast<char>(value));
  return bytes;
}

constexpr CharacterFrame k9600_8N1{9600, 8, false, StopBits::One};

int64_t Chars(int64_t thousandths) {
  return CharacterTimeNs(k9600_8N1, thousandths);
}

// The definition and options of the shipped Modbus RTU preset.
struct ModbusRig {
  ModbusRig() : decoder(PacketDecoder::Port::A, out) {
    const PdtReadResult read = ReadPdtLines(
        ReadTextLines(std::string(FERROTAP_EXAMPLES_DIR) + "/modbus-rtu.pdt"), PdtSettings{});
    if (read.Failed()) qFatal("modbus-rtu.pdt does not read");
    settings = read.settings;
    definition.ID_MIN = settings.idMin;
    definition.ID_MAX = settings.idMax;
    definition.ID_SIM = settings.idSim;
    definition.CMD_MIN = settings.cmdMin;
    definition.CMD_MAX = settings.cmdMax;
    definition.commandNames = std::make_shared<CommandNames>(settings.extension.commandNames);
    options.protocol = ProtocolOptionsOf(settings);
    options.line = k9600_8N1;
  }
  // One read of `bytes` that returned at `readNs`.
  void Read(const Bytes& bytes, int64_t readNs) {
    const ReadMark mark{0, readNs};
    decoder.Decode(bytes, definition, options, std::span<const ReadMark>(&mark, 1));
  }

  PdtSettings settings;
  Recorder out;
  PacketDecoder decoder;
  ProtocolDefinition definition;
  DecoderOptions options;
};

const Bytes kReadQuery = H("11 03 00 6B 00 03 76 87");
const Bytes kReadAnswer = H("11 03 06 AE 41 56 52 43 40 49 AD");

QByteArray Q(const Bytes& bytes) {
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

class FieldFramingTest : public QObject {
  Q_OBJECT

 private slots:
  // Every checksum kind framed by STX and LEN: the length counts its bytes, a good packet shows
  // no error, and a wrong last byte shows the received and the expected value.
  void checksumKinds_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("highFirst");
    QTest::addColumn<Bytes>("packet");
    QTest::addColumn<std::string>("error");
    const auto row = [](const char* name, ChecksumKind kind, bool high, const char* hex,
                        const char* error) {
      QTest::newRow(name) << static_cast<int>(kind) << high << H(hex) << std::string(error);
    };
    row("xor", ChecksumKind::Xor8, false, "02 01 04 10 41 42 16", "E9(16)");
    row("lrc", ChecksumKind::Lrc8, false, "02 01 04 10 41 42 68", "97(68)");
    row("crc-8", ChecksumKind::Crc8, false, "02 01 04 10 41 42 1F", "E0(1F)");
    row("crc-16/modbus", ChecksumKind::Crc16Modbus, false, "02 01 05 10 41 42 A8 A8", "57A8(A8A8)");
    row("crc-16/ccitt-false high", ChecksumKind::Crc16CcittFalse, true, "02 01 05 10 41 42 12 00",
        "12FF(1200)");
    row("crc-16/xmodem", ChecksumKind::Crc16Xmodem, false, "02 01 05 10 41 42 0C 03", "FC0C(030C)");
    row("crc-32 high", ChecksumKind::Crc32, true, "02 01 07 10 41 42 0B 03 1B 9C",
        "0B031B63(0B031B9C)");
  }
  void checksumKinds() {
    QFETCH(int, kind);
    QFETCH(bool, highFirst);
    QFETCH(Bytes, packet);
    QFETCH(std::string, error);
    Recorder out;
    PacketDecoder decoder(PacketDecoder::Port::A, out);
    ProtocolDefinition definition;
    DecoderOptions options;
    options.protocol.checksumKind = static_cast<ChecksumKind>(kind);
    options.protocol.checksumOrder = highFirst ? ByteOrder::HighFirst : ByteOrder::LowFirst;
    QCOMPARE(BuildSimPacket(H("10 41 42"), definition, options.protocol), packet);
    Bytes bad = packet;
    bad.back() = static_cast<char>(bad.back() ^ 0xFF);
    // Cut before the checksum, as a slow line delivers it.
    decoder.Decode(packet.substr(0, 6), definition, options);
    decoder.Decode(packet.substr(6) + bad, definition, options);
    QCOMPARE(out.Text(),
             "ID=01 COM=10  DATA(Hex)= 41 42 \r\nID=01 COM=10  DATA(Hex)= 41 42 CKS error: " +
                 error + "\r\n");
    QCOMPARE(out.TextIn(ColorRole::ProtFatalError), "CKS error: " + error);
  }

  // A silence of exactly the gap ends a frame. With a checksum a tenth of a character less is cut
  // too, as the checksums show it (a late wake-up can hide that much). A damaged frame ends at a
  // full silence when the next frame checks; without one it is cut where the next frame that
  // checks starts, after the hold. Without a checksum the timing alone frames.
  void silenceSplitsFrames_data() {
    QTest::addColumn<int>("gapThousandths");
    QTest::addColumn<bool>("badQuery");
    QTest::addColumn<bool>("checksum");
    QTest::addColumn<std::string>("text");
    const std::string query = "ID=11 COM=03 (read holding registers)  DATA(Hex)= 00 6B 00 03 ";
    const std::string answer =
        "ID=11 COM=03 (read holding registers)  DATA(Hex)= 06 AE 41 56 52 43 40 \r\n";
    const std::string split = query + "\r\n" + answer;
    const std::string damaged = query + "CKS error: 8876(8776)\r\n" + answer;
    QTest::newRow("3.5 characters") << 3500 << false << true << split;
    QTest::newRow("3.4 characters") << 3400 << false << true << split;
    QTest::newRow("3.5 characters, bad query") << 3500 << true << true << damaged;
    QTest::newRow("3.4 characters, bad query") << 3400 << true << true << damaged;
    QTest::newRow("3.5 characters, no checksum")
        << 3500 << false << false
        << std::string(
               "ID=11 COM=03 (read holding registers)  DATA(Hex)= 00 6B 00 03 76 87 \r\n"
               "ID=11 COM=03 (read holding registers)  DATA(Hex)= 06 AE 41 56 52 43 40 49 AD \r\n");
    QTest::newRow("3.4 characters, no checksum")
        << 3400 << false << false
        << std::string(
               "ID=11 COM=03 (read holding registers)  DATA(Hex)= 00 6B 00 03 76 87 11 03 06 AE 41 "
               "56 52 43 40 49 AD \r\n");
  }
  void silenceSplitsFrames() {
    QFETCH(int, gapThousandths);
    QFETCH(bool, badQuery);
    QFETCH(bool, checksum);
    QFETCH(std::string, text);
    ModbusRig rig;
    rig.options.protocol.useChecksum = checksum;
    const int64_t queryEnd = 1'000'000'000;
    Bytes query = kReadQuery;
    if (badQuery) query.back() = static_cast<char>(query.back() + 1);
    rig.Read(query, queryEnd);
    const int64_t answerEnd =
        queryEnd + Chars(gapThousandths) + Chars(1000 * static_cast<int64_t>(kReadAnswer.size()));
    rig.Read(kReadAnswer, answerEnd);
    const int64_t rest = answerEnd + Chars(3500);
    const bool held = badQuery && gapThousandths < 3500;
    if (held) {
      QVERIFY(!rig.decoder.SilenceElapsed(rest, rig.definition, rig.options));
      QCOMPARE(rig.decoder.SilenceDueNs(), std::optional<int64_t>(rest + kSilenceHoldNs));
    }
    QVERIFY(rig.decoder.SilenceElapsed(rest + (held ? kSilenceHoldNs : 0), rig.definition,
                                       rig.options));
    QCOMPARE(QString::fromStdString(rig.out.Text()), QString::fromStdString(text));
  }

  // Read times that are late: the end of one frame and the start of the next in one read, a
  // silence seen inside a frame, a prefix whose CRC matches by chance. Each row is reads of
  // (bytes, characters since the previous read returned); the line rests after the last.
  void lateWakeUps_data() {
    QTest::addColumn<QByteArrayList>("reads");
    QTest::addColumn<QList<int>>("tenths");
    QTest::addColumn<int>("frames");
    const Bytes& q = kReadQuery;
    const Bytes& a = kReadAnswer;
    // A frame whose first six bytes check by chance: bytes 4 and 5 are the CRC of the first four.
    Bytes chance = H("11 10 00 01");
    chance += ChecksumBytes(ChecksumKind::Crc16Modbus,
                            ComputeChecksum(ChecksumKind::Crc16Modbus, chance), ByteOrder::LowFirst);
    chance += H("00 02");
    chance += ChecksumBytes(ChecksumKind::Crc16Modbus,
                            ComputeChecksum(ChecksumKind::Crc16Modbus, chance), ByteOrder::LowFirst);
    QTest::newRow("two frames in one read")
        << QByteArrayList{Q(q.substr(0, 5)), Q(q.substr(5) + a)}
        << QList<int>{50, 3 * 10 + 35 + 11 * 10 + 3} << 2;
    QTest::newRow("three frames in one read, back to back")
        << QByteArrayList{Q(q + a + q)} << QList<int>{270 + 70 + 5} << 3;
    QTest::newRow("a silence faked inside a frame")
        << QByteArrayList{Q(q.substr(0, 4)), Q(q.substr(4)), Q(a)}
        << QList<int>{40, 40 + 50, 35 + 110} << 2;
    QTest::newRow("a frame in many reads, then one late")
        << QByteArrayList{Q(q.substr(0, 2)), Q(q.substr(2, 3)), Q(q.substr(5)), Q(a)}
        << QList<int>{20, 30, 30 + 90, 35 + 110} << 2;
    QTest::newRow("a prefix checks by chance")
        << QByteArrayList{Q(chance + a), Q(q)} << QList<int>{190 + 35 + 5, 35 + 80} << 3;
  }
  void lateWakeUps() {
    QFETCH(QByteArrayList, reads);
    QFETCH(QList<int>, tenths);
    QFETCH(int, frames);
    ModbusRig rig;
    int64_t t = 1'000'000'000;
    for (qsizetype i = 0; i < reads.size(); ++i) {
      t += Chars(100 * tenths[i]);
      rig.Read(reads[i].toStdString(), t);
    }
    QVERIFY(rig.decoder.SilenceElapsed(t + Chars(3500), rig.definition, rig.options));
    QCOMPARE(static_cast<int>(rig.out.framed.size()), frames);
    for (const DecodedPacket& packet : rig.out.framed) QVERIFY(packet.checksum == ChecksumCheck::Ok);
  }

  // A frame in several reads, in one chunk or over calls, is one frame: the silence alone ends
  // it, measured from its last read's stamp.
  void frameAcrossReads() {
    ModbusRig rig;
    const int64_t t0 = 5'000'000'000;
    const std::vector<ReadMark> marks = {{0, t0}, {3, t0 + Chars(4000)}, {5, t0 + Chars(6000)}};
    rig.decoder.Decode(kReadQuery.substr(0, 6), rig.definition, rig.options, marks);
    const int64_t lastRead = t0 + Chars(8500);
    rig.Read(kReadQuery.substr(6), lastRead);
    QVERIFY(rig.out.runs.empty());
    QCOMPARE(rig.decoder.SilenceDueNs(), std::optional<int64_t>(lastRead + Chars(3500)));
    QVERIFY(!rig.decoder.SilenceElapsed(lastRead + Chars(3400), rig.definition, rig.options));
    QVERIFY(rig.decoder.SilenceElapsed(lastRead + Chars(3500), rig.definition, rig.options));
    QCOMPARE(rig.out.Text(),
             std::string("ID=11 COM=03 (read holding registers)  DATA(Hex)= 00 6B 00 03 \r\n"));
    QCOMPARE(rig.decoder.SilenceDueNs(), std::nullopt);
  }

  // Published Modbus RTU frames under the shipped preset: a read of holding registers and its
  // answer, a write and an exception reply, each after a silence; a lone byte is shown as such.
  void modbusPresetFrames() {
    ModbusRig rig;
    int64_t t = 0;
    for (const Bytes& frame : {kReadQuery, kReadAnswer, H("11 06 00 01 00 03 9A 9B"),
                               H("0A 81 02 B0 53"), H("FF"), H("00 06 00 01 00 03 99 DA")}) {
      t += Chars(1000 * static_cast<int64_t>(frame.size())) + Chars(3500);
      rig.Read(frame, t);
    }
    QVERIFY(rig.decoder.SilenceElapsed(t + Chars(3500), rig.definition, rig.options));
    QCOMPARE(
        rig.out.Text(),
        std::string("ID=11 COM=03 (read holding registers)  DATA(Hex)= 00 6B 00 03 \r\n"
                    "ID=11 COM=03 (read holding registers)  DATA(Hex)= 06 AE 41 56 52 43 40 \r\n"
                    "ID=11 COM=06 (write single register)  DATA(Hex)= 00 01 00 03 \r\n"
                    "ID=0A COM=81 (read coils exception: illegal data address)  DATA(Hex)= 02 \r\n"
                    "FF \r\n"
                    "ID=00 COM=06 (write single register)  DATA(Hex)= 00 01 00 03 \r\n"));
    QCOMPARE(rig.out.TextIn(ColorRole::ProtFatalError), std::string("FF \r\n"));
    QVERIFY(rig.out.TextIn(ColorRole::ProtOutOfRange).empty());
    QVERIFY(rig.out.events.empty());  // no hand-shake, no pack time-out
  }

  // The slave of the preset answers a good query addressed to its ID, with the CRC appended and
  // no STX; another address, a broadcast or a bad CRC get nothing.
  void modbusSlaveAnswers() {
    ModbusRig rig;
    struct Hooks : SlaveHooks {
      void BeforePacketLine(int) override {}
      void AfterHandShakeAnswer(int cmd, bool acknowledged) override {
        answered.push_back(acknowledged ? cmd : -1);
      }
      void StartSyncDelay() override {}
      std::vector<int> answered;
    } hooks;
    rig.decoder.SetSlaveHooks(&hooks);
    rig.options.simulateSlave = true;
    int64_t t = 0;
    for (const Bytes& frame : {kReadQuery, H("05 03 00 6B 00 03 75 93"),
                               H("00 06 00 01 00 03 99 DA"), H("11 03 00 6B 00 03 76 88")}) {
      t += Chars(1000 * static_cast<int64_t>(frame.size())) + Chars(3500);
      rig.Read(frame, t);
    }
    // The query with a bad CRC ends after the hold: it may be a frame whose end is late.
    rig.decoder.SilenceElapsed(t + Chars(3500), rig.definition, rig.options);
    QCOMPARE(hooks.answered, (std::vector<int>{3, -1, -1}));
    rig.decoder.SilenceElapsed(t + Chars(3500) + kSilenceHoldNs, rig.definition, rig.options);
    QCOMPARE(hooks.answered, (std::vector<int>{3, -1, -1, -1}));
    QCOMPARE(BuildSimPacket(H("03 06 AE 41 56 52 43 40"), rig.definition, rig.options.protocol),
             kReadAnswer);
  }

  // A file of the first 23 lines only reads as it always did, the appended options at their
  // defaults; the new lines round-trip, and a damaged one names the file and its line.
  void pdtFileLines() {
    std::vector<std::string> lines =
        ReadTextLines(std::string(FERROTAP_EXAMPLES_DIR) + "/default.pdt");
    QCOMPARE(lines.size(), std::size_t{31});
    QVERIFY(ReadPdtLines(lines, PdtSettings{}).settings == PdtSettings{});
    std::vector<std::string> old(lines.begin(), lines.begin() + kPdtLineCount);
    old[4] = "ID_MIN=7";
    PdtSettings current;
    current.extension.framing = Framing::BySilence;
    const PdtReadResult read = ReadPdtLines(old, current);
    QVERIFY(!read.Failed());
    QCOMPARE(read.settings.idMin, 7);
    QVERIFY(read.settings.extension == PdtExtension{});

    const ModbusRig rig;
    QCOMPARE(WritePdtLines(rig.settings),
             ReadTextLines(std::string(FERROTAP_EXAMPLES_DIR) + "/modbus-rtu.pdt"));

    lines[26] = "CKS_Kind=CRC-99";
    const PdtReadResult damaged = ReadPdtLines(lines, current);
    QVERIFY(damaged.Failed());
    QVERIFY(damaged.settings == current);
    QCOMPARE(PdtFailureMessage(damaged, "f.pdt"),
             std::string("'CRC-99' is not a valid checksum kind (f.pdt, line 27)"));
  }
};

FERROTAP_TEST(FieldFramingTest)

}  // namespace ferrotap

#include "field_framing_test.moc"
