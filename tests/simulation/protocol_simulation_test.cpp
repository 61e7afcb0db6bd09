// SPDX-License-Identifier: MIT
#include <QtTest>
#include <string>
#include <vector>

#include "protocol/packet_decoder.h"
#include "simulation/protocol_simulation.h"
#include "simulation/simulation_table.h"
#include "tests/support/recording_output.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

using test::Recorder;

class FakeTimer : public SyncTimer {
 public:
  void Start(int milliseconds) override { starts.push_back(milliseconds); }
  void Stop() override { ++stops; }
  std::vector<int> starts;
  int stops = 0;
};

Bytes B(std::initializer_list<int> values) {
  Bytes bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

// Port A's decoder with the simulation hooked in, as the window wires them.
struct Rig {
  Rig()
      : decoder(PacketDecoder::Port::A, out),
        simulation(decoder, out, table, timer, [this] { return options; }) {
    decoder.SetTriggers(1, 2);
    decoder.SetSlaveHooks(&simulation);
    table[5].query = "Q";
    table[5].answer = "AB";
    table[7].answer = "Z";
    options.protocol.syncType = SyncType::Character;
  }
  // A query as a master sends it: STX, ID 1, LEN, CMD, data, CKS.
  void Receive(const Bytes& bytes) {
    DecoderOptions decoding;
    decoding.protocol = options.protocol;
    decoding.simulateSlave = true;
    decoder.Decode(bytes, options.definition, decoding);
  }

  Recorder out;
  SimulationTable table;
  FakeTimer timer;
  SimulationOptions options;
  PacketDecoder decoder;
  ProtocolSimulation simulation;
};

}  // namespace

class ProtocolSimulationTest : public QObject {
  Q_OBJECT

 private slots:
  void masterSendsTheQuery() {
    Rig rig;
    rig.table.MarkSync(5, true);
    QVERIFY(rig.simulation.SendQuery(5, "5"));
    QCOMPARE(rig.out.events, (std::vector<std::string>{"tx 02010305515a", "arm 2 18"}));
    QCOMPARE(rig.out.TextIn(ColorRole::ProtSimulated),
             std::string("<COMM 5> 02 01 03 05 51 5A \r\n"));
    QCOMPARE(rig.out.Text(), std::string("\r\n<COMM 5> 02 01 03 05 51 5A \r\n"));
    QCOMPARE(rig.out.color, ColorRole::PortAData);
    const HandShakeFlags& flags = rig.decoder.Flags();
    QVERIFY(flags.awaitingAckNak && flags.answerExpected && flags.syncExpected);
  }

  void masterSendRefused() {
    Rig rig;
    rig.out.refuse = true;
    QVERIFY(!rig.simulation.SendQuery(5, "5"));
    QVERIFY(rig.out.runs.empty());
    QVERIFY(!rig.decoder.Flags().awaitingAckNak && !rig.decoder.Flags().answerExpected);
  }

  // The slave answers an acknowledged query from the table, its command byte swapped.
  void slaveAnswers_data() {
    QTest::addColumn<bool>("handShake");
    QTest::addColumn<bool>("goodChecksum");
    QTest::addColumn<bool>("swap");
    QTest::addColumn<std::vector<std::string>>("sent");
    QTest::newRow("answer, swapped")
        << true << true << true << std::vector<std::string>{"tx 06", "tx 0201037041b5"};
    QTest::newRow("answer, as received")
        << true << true << false << std::vector<std::string>{"tx 06", "tx 0201030741 4c"};
    QTest::newRow("bad checksum: NAK only")
        << true << false << true << std::vector<std::string>{"tx 15"};
    QTest::newRow("hand-shake off: silent") << false << true << true << std::vector<std::string>{};
  }
  void slaveAnswers() {
    QFETCH(bool, handShake);
    QFETCH(bool, goodChecksum);
    QFETCH(bool, swap);
    QFETCH(std::vector<std::string>, sent);
    Rig rig;
    rig.table[7].answer = "A";
    rig.options.protocol.useHandShake = handShake;
    rig.options.protocol.swapNibble = swap;
    rig.Receive(B({0x02, 0x01, 0x02, 0x07, goodChecksum ? 0x0A : 0x0B}));
    std::vector<std::string> transmitted;
    for (const std::string& event : rig.out.events) {
      if (event.rfind("tx ", 0) == 0) transmitted.push_back(event);
    }
    for (std::string& s : sent) s.erase(std::remove(s.begin() + 3, s.end(), ' '), s.end());
    QCOMPARE(transmitted, sent);
    const bool answered = sent.size() == 2;
    QCOMPARE(rig.out.Text().find("<SIM. ANSWER> ") != std::string::npos, answered);
    QCOMPARE(rig.decoder.Flags().awaitingAckNak, answered);
    QCOMPARE(rig.decoder.State().phase, DecoderPhase::Idle);
  }

  // A SYNC-marked command ends with SYNC: after the master's ACK when one is awaited, else
  // after the delay from the query or the answer.
  void slaveSync_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("ackNakTicks");
    QTest::addColumn<bool>("waitsForAck");
    QTest::newRow("answer, waits for ACK") << 7 << 18 << true;
    QTest::newRow("answer, no ACK/NAK time-out") << 7 << 0 << false;
    QTest::newRow("no answer") << 9 << 18 << false;
  }
  void slaveSync() {
    QFETCH(int, code);
    QFETCH(int, ackNakTicks);
    QFETCH(bool, waitsForAck);
    Rig rig;
    rig.options.definition.ackNakTimeoutTicks = ackNakTicks;
    rig.options.protocol.syncDelayMs = 250;
    rig.table.MarkSync(static_cast<uint8_t>(code), true);
    rig.Receive(B({0x02, 0x01, 0x02, code, 0x03 + code}));
    QCOMPARE(rig.timer.starts.empty(), waitsForAck);
    QCOMPARE(rig.decoder.Flags().syncToSend, waitsForAck);
    if (waitsForAck) rig.Receive(B({0x06}));
    QCOMPARE(rig.timer.starts, std::vector<int>{250});
    QVERIFY(!rig.decoder.Flags().syncToSend);
    rig.out.events.clear();
    rig.simulation.SyncTimerExpired();
    QCOMPARE(rig.out.events, std::vector<std::string>{"tx 04"});
    QVERIFY(rig.out.Text().ends_with("<SYN>"));
  }

  // SYNC on RTS: RTS drops as the marked query arrives and rises after the delay.
  void slaveSyncOnRts() {
    Rig rig;
    rig.options.protocol.syncType = SyncType::RtsCts;
    rig.table.MarkSync(5, true);
    rig.Receive(B({0x02, 0x01, 0x03, 0x05, 0x51, 0x5A}));
    const auto at = [&](const char* event) {
      return std::find(rig.out.events.begin(), rig.out.events.end(), event) -
             rig.out.events.begin();
    };
    QVERIFY(at("rts off") < at("tx 06"));
    QVERIFY(rig.out.Text().starts_with("<RTS Off as SYN>ID=01"));
    rig.Receive(B({0x15}));  // the master refuses the answer: RTS back on, no SYNC
    QVERIFY(rig.out.HasEvent("rts on"));
    QVERIFY(rig.timer.starts.empty());
    rig.out.events.clear();
    rig.simulation.SyncTimerExpired();
    QCOMPARE(rig.out.events, std::vector<std::string>{"rts on"});
    QCOMPARE(rig.out.TextIn(ColorRole::ProtSimulated).substr(0, 16),
             std::string("<RTS Off as SYN>"));
    QVERIFY(rig.out.Text().ends_with("<RTS On as SYN>"));

    // A port that does not carry RTS: no line pretends that RTS changed.
    Rig refusing;
    refusing.out.rtsCarried = false;
    refusing.options.protocol.syncType = SyncType::RtsCts;
    refusing.table.MarkSync(5, true);
    refusing.Receive(B({0x02, 0x01, 0x03, 0x05, 0x51, 0x5A}));
    refusing.simulation.SyncTimerExpired();
    QVERIFY(refusing.out.HasEvent("rts off"));
    QVERIFY(refusing.out.Text().find("as SYN>") == std::string::npos);
  }

  void refusedAnswerLeavesTheDecoderIdle() {
    Rig rig;
    rig.Receive(B({0x02, 0x01, 0x02, 0x07}));
    rig.out.refuse = true;
    rig.Receive(B({0x0A, 0x02, 0x01, 0x02, 0x07, 0x0A}));
    QCOMPARE(rig.decoder.State().phase, DecoderPhase::Idle);
    QVERIFY(rig.out.Text().find("<SIM. ANSWER>") == std::string::npos);
    QVERIFY(!rig.decoder.Flags().awaitingAckNak);
  }
};

FERROTAP_TEST(ProtocolSimulationTest)

}  // namespace ferrotap

#include "protocol_simulation_test.moc"
