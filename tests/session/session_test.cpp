// SPDX-License-Identifier: MIT
#include <QtTest>
#include <atomic>
#include <chrono>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "protocol/pdt_file.h"
#include "protocol/pdt_options.h"
#include "serial/com_port.h"
#include "serial/key_value.h"
#include "serial/notification_loop.h"
#include "serial/virtual_serial_device.h"
#include "session/demo_device.h"
#include "session/loop_host.h"
#include "session/session.h"
#include "tests/serial/serial_test_support.h"
#include "tests/session/recording_session_output.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

using namespace std::chrono_literals;
using test::RecordingSessionOutput;

std::string NewCable() {
  static std::atomic<int> count{0};
  return "virtual:session" + std::to_string(++count);
}

// One session with its host and recording output, on the test's loop.
struct Side {
  Side(NotificationLoop& loop, const SessionOptions& options) : host(loop, options) {}
  LoopHost host;
  RecordingSessionOutput out;
  Session session{host, out};
};

// The test's end of a cable: writes bytes and collects what the session sent.
struct Peer {
  explicit Peer(const std::string& path) : device(VirtualSerialDevice::Open(path)) {}
  void Send(const std::string& bytes) { device->Write(bytes.data(), bytes.size()); }
  std::string Take() {
    char buffer[4096];
    for (;;) {
      const IoResult r = device->Read(buffer, sizeof buffer);
      if (r.status != IoResult::Status::Ok || r.count == 0) break;
      received.append(buffer, r.count);
    }
    return received;
  }
  std::unique_ptr<VirtualSerialDevice> device;
  std::string received;
};

// The protocol both sides use: STX 02, ID, LEN, CMD, data, checksum; ACK/NAK; SYN as a
// character after the commands marked SYNC.
SessionOptions Protocol(SimulationRole role) {
  SessionOptions o;
  o.decode = true;
  o.role = role;
  o.protocol.syncType = SyncType::Character;
  o.protocol.syncDelayMs = 20;
  return o;
}

void OpenOn(Session& session, const std::string& path) {
  session.ApplyPortSettings(CpsSettings{}, PortPaths{path, {}});
}

std::string Temporary(const std::string& content) {
  char name[] = "/tmp/ferrotap-session-XXXXXX";
  const int fd = mkstemp(name);
  FILE* file = fdopen(fd, "wb");
  fwrite(content.data(), 1, content.size(), file);
  fclose(file);
  return name;
}

}  // namespace

class SessionTest : public QObject {
  Q_OBJECT

  bool Until(const std::function<bool()>& done, std::chrono::milliseconds bound = 5000ms) {
    return loop_.ProcessUntil(done, bound);
  }

 private slots:
  void showsOrDecodesWhatArrives() {
    const std::string cable = NewCable();
    SessionOptions options;
    options.formatA = DisplayFormat::Hex;
    Side side(loop_, options);
    OpenOn(side.session, cable + ":a");
    Peer peer(cable + ":b");
    peer.Send("AB");
    QVERIFY(Until([&] { return side.out.Text() == "41 42 "; }));
    QCOMPARE(side.out.receivedA, std::string("AB"));
    QCOMPARE(side.session.RxPackA(), Bytes("AB"));

    options.decode = true;
    side.host.SetOptions(options);
    // ID 1, LEN 3, CMD 5, data 'Q', then a wrong checksum.
    peer.Send(std::string("\x02\x01\x03\x05Q\x00", 6));
    QVERIFY(Until([&] { return side.out.packets.size() == 1; }));
    const DecodedPacket& p = side.out.packets[0];
    QCOMPARE(std::make_tuple(p.stx, p.id, p.len, p.cmd, p.data),
             std::make_tuple(2, 1, 3, 5, Bytes("Q")));
    QCOMPARE(p.checksum, ChecksumCheck::Error);
    QCOMPARE(std::make_pair(p.receivedChecksum, p.computedChecksum),
             std::make_pair(int64_t{0}, int64_t{0x5A}));
    QVERIFY(p.inRange);
    QVERIFY(side.out.Text().find("ID=01 COM=05  DATA(Hex)= 51 ") != std::string::npos);
    QCOMPARE(side.out.TextIn(ColorRole::ProtFatalError), std::string("CKS error: 00(5A)"));
  }

  // Two sessions on the two ends of one cable, the one as master, the other as slave: the whole
  // exchange, hand-shake and SYNC included, and both summaries.
  void masterAndSlaveCompleteTheirExchanges() {
    const std::string cable = NewCable();
    Side master(loop_, Protocol(SimulationRole::Master));
    Side slave(loop_, Protocol(SimulationRole::Slave));
    for (Side* side : {&master, &slave}) {
      side->session.SimTable()[5].query = "Q";
      side->session.SimTable()[5].answer = "AB";
      side->session.SimTable().MarkSync(5, true);
      side->session.SimTable()[6].query = "R";
    }
    OpenOn(master.session, cable + ":a");
    OpenOn(slave.session, cable + ":b");

    QVERIFY(master.session.SendQuery(5, "5"));
    QVERIFY(Until([&] { return !master.out.exchanges.empty(); }));
    QCOMPARE(master.out.exchanges, std::vector<std::string>{"5 completed"});
    // Query, ACK, answer (command 0x50: nibbles swapped), ACK, SYN.
    QCOMPARE(master.out.sent, Bytes("\x02\x01\x03\x05Q\x5A\x06", 7));
    QCOMPARE(slave.out.sent, Bytes("\x06\x02\x01\x04\x50"
                                   "AB\xD8\x04",
                                   9));
    QVERIFY(master.out.Text().find("<COMM 5> 02 01 03 05 51 5A ") != std::string::npos);
    QVERIFY(slave.out.Text().find("<SIM. ANSWER> 02 01 04 50 41 42 D8 ") != std::string::npos);

    // Command 6 has no answer and no SYNC: its ACK ends it.
    QVERIFY(master.session.SendQuery(6, "6"));
    QVERIFY(Until([&] { return master.out.exchanges.size() == 2; }));
    QCOMPARE(master.out.exchanges.back(), std::string("6 completed"));

    const SessionCounters& m = master.session.Counters();
    const SessionCounters& s = slave.session.Counters();
    QCOMPARE(std::make_tuple(m.queries, m.answers, m.completed, m.failed),
             std::make_tuple(2u, 1u, 2u, 0u));
    QCOMPARE(std::make_tuple(s.queries, s.answers, s.naks, s.timeouts),
             std::make_tuple(2u, 1u, 0u, 0u));
  }

  // A pseudo-terminal carries no RTS: a slave's SYNC by RTS says so once and writes no line that
  // pretends RTS changed.
  void syncByRtsOnAPortWithoutRts() {
    test::Pty terminal;
    QVERIFY(terminal.Ok());
    SessionOptions options = Protocol(SimulationRole::Slave);
    options.protocol.syncType = SyncType::RtsCts;
    Side slave(loop_, options);
    slave.session.SimTable()[5].query = "Q";
    slave.session.SimTable().MarkSync(5, true);
    OpenOn(slave.session, terminal.SlaveName());
    std::string seen;
    for (int query = 0; query < 2; ++query) {
      terminal.Write(std::string("\x02\x01\x03\x05Q\x5A", 6));
      QVERIFY(Until([&] {
        seen += terminal.ReadSome();
        return seen.size() == static_cast<std::size_t>(query + 1);
      }));
    }
    QCOMPARE(seen, std::string("\x06\x06"));
    Until([] { return false; }, 100ms);
    QCOMPARE(slave.out.errors.size(), std::size_t(1));
    QVERIFY(QString::fromStdString(slave.out.errors[0]).endsWith("does not carry RTS: the SYNC by RTS cannot be signalled."));
    QVERIFY2(slave.out.Text().find("as SYN") == std::string::npos, slave.out.Text().c_str());
  }

  void masterWithoutSlaveTimesOut() {
    const std::string cable = NewCable();
    Side master(loop_, Protocol(SimulationRole::Master));
    OpenOn(master.session, cable + ":a");
    Peer peer(cable + ":b");
    QVERIFY(master.session.SendQuery(7, "7"));
    QVERIFY(Until([&] { return !master.out.exchanges.empty(); }, 3000ms));
    QCOMPARE(master.out.exchanges, std::vector<std::string>{"7 failed: ACK - NAK Time Out"});
    QCOMPARE(master.session.Counters().timeouts, 1u);

    // A NAK ends the next one.
    QVERIFY(master.session.SendQuery(7, "7"));
    peer.Send("\x15");
    QVERIFY(Until([&] { return master.out.exchanges.size() == 2; }));
    QCOMPARE(master.out.exchanges.back(), std::string("7 failed: NAK"));
    QCOMPARE(master.session.Counters().naks, 1u);
  }

  void sendsTypedTextWithLineEndAndEcho() {
    const std::string cable = NewCable();
    SessionOptions options;
    options.lineEnd = LineEnd::CrLf;
    options.formatB = DisplayFormat::Ascii;
    Side side(loop_, options);
    OpenOn(side.session, cable + ":a");
    Peer peer(cable + ":b");
    QVERIFY(side.session.SendEscaped("AT$41"));
    QVERIFY(Until([&] { return peer.Take() == "ATA\r\n"; }));
    QCOMPARE(side.out.TextIn(ColorRole::PortBData), std::string("ATA\r\n"));
    QVERIFY(!side.session.SendEscaped("x$4"));
    QCOMPARE(side.out.errors.back(), std::string("Falformed input string: $4"));
    side.session.Commands()[1] = "B";
    QVERIFY(side.session.SendCommand(2));
    QVERIFY(!side.session.SendCommand(31));
    QVERIFY(Until([&] { return peer.Take() == "ATA\r\nB\r\n"; }));
  }

  void sendsAFileAndEndsItWhenThePortCloses() {
    const std::string cable = NewCable();
    SessionOptions options;
    options.echo = false;
    Side side(loop_, options);
    OpenOn(side.session, cable + ":a");
    Peer peer(cable + ":b");
    std::string content;
    for (int i = 0; content.size() < 20000; ++i) content += std::to_string(i) + ",";
    const std::string path = Temporary(content);
    QVERIFY(side.session.StartFileSend(path));
    QVERIFY(Until([&] { return side.out.fileEnds == 1; }));
    QCOMPARE(side.out.fileEnd, FileSendEnd::Done);
    QCOMPARE(side.out.progress,
             std::to_string(content.size()) + "/" + std::to_string(content.size()));
    QVERIFY(Until([&] { return peer.Take() == content; }));

    // A peer that reads nothing stands for a slow line: the ring fills and the send waits.
    Side slow(loop_, options);
    const std::string slowCable = NewCable();
    OpenOn(slow.session, slowCable + ":a");
    Peer slowPeer(slowCable + ":b");
    const std::string large = Temporary(std::string(4 << 20, 'x'));
    QVERIFY(slow.session.StartFileSend(large));
    QVERIFY(slow.session.FileSending());
    QVERIFY(!slow.session.SendTyped("x"));
    QCOMPARE(slow.out.errors.back(),
             std::string("A file is being sent. Wait until it has gone out or press \"Cancel\"."));
    slow.session.ClosePorts();
    QCOMPARE(slow.out.fileEnd, FileSendEnd::PortClosed);
    QVERIFY(
        QString::fromStdString(slow.out.errors.back()).startsWith("The file send stopped after "));
    QVERIFY(!slow.session.FileSending());
    std::remove(path.c_str());
    std::remove(large.c_str());

    QVERIFY(!side.session.StartFileSend("/nonexistent/file"));
    QVERIFY(QString::fromStdString(side.out.errors.back()).contains("/nonexistent/file"));

    // A FIFO with no writer would block the loop thread for ever: refused at once.
    const std::string fifo = Temporary("") + ".fifo";
    QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
    QVERIFY(!side.session.StartFileSend(fifo));
    QCOMPARE(side.out.errors.back(), "Reading " + fifo + ": not a regular file");
    std::remove(fifo.c_str());
  }

  // A file cut short while it is sent says how much of what was announced went out.
  void fileThatShrinksEndsWithAMessage() {
    SessionOptions options;
    options.echo = false;
    Side side(loop_, options);
    const std::string cable = NewCable();
    OpenOn(side.session, cable + ":a");
    Peer peer(cable + ":b");
    const std::size_t announced = 4 << 20;
    const std::string path = Temporary(std::string(announced, 'x'));
    QVERIFY(side.session.StartFileSend(path));
    QVERIFY(::truncate(path.c_str(), 10) == 0);
    QVERIFY(Until([&] {
      peer.Take();
      return side.out.fileEnds == 1;
    }));
    QCOMPARE(side.out.fileEnd, FileSendEnd::Failed);
    const QString message = QString::fromStdString(side.out.errors.back());
    QVERIFY(message.startsWith("The file became shorter while it was sent: "));
    QVERIFY(message.endsWith(QString(" of %1 bytes were sent.").arg(announced)));
    std::remove(path.c_str());
  }

  void reportsOpenErrorsAndLostDevices() {
    SessionOptions options;
    Side side(loop_, options);
    QVERIFY_THROWS_EXCEPTION(std::exception, OpenOn(side.session, "/nonexistent/ttyFerrotap"));
    QCOMPARE(side.out.events, std::vector<std::string>{"open failed A"});
    QVERIFY(QString::fromStdString(side.out.errors.front()).startsWith("Com A open error\n"));

    const std::string cable = NewCable();
    OpenOn(side.session, cable + ":a");
    Peer peer(cable + ":b");
    side.session.SimTable()[5].query = "Q";
    side.session.Commands()[0] = "C";
    const std::string content = Temporary(std::string(4 << 20, 'x'));
    QVERIFY(side.session.StartFileSend(content));
    peer.device->Unplug();
    QVERIFY(Until([&] { return side.out.events.size() == 2; }));
    QCOMPARE(side.out.events.back(), std::string("lost A"));
    // The send under way ends with the loss, and what it had queued is dropped.
    QCOMPARE(side.out.fileEnd, FileSendEnd::PortLost);
    QVERIFY(QString::fromStdString(side.out.errors.back()).endsWith("the port was lost."));
    QCOMPARE(side.session.PortA().OutputPending(), std::size_t(0));

    // Every later send is refused before anything shows, with one message each.
    const std::size_t shown = side.out.runs.size();
    const std::size_t errors = side.out.errors.size();
    const std::string sent = side.out.sent;
    QVERIFY(!side.session.SendTyped("typed"));
    QVERIFY(!side.session.SendCommand(1));
    QVERIFY(!side.session.StartFileSend(content));
    QVERIFY(!side.session.SendQuery(5, "5"));
    QCOMPARE(side.out.errors.size(), errors + 4);
    for (std::size_t i = errors; i < side.out.errors.size(); ++i) {
      QVERIFY(QString::fromStdString(side.out.errors[i]).endsWith("is lost: nothing was sent"));
    }
    QCOMPARE(side.out.runs.size(), shown);
    QCOMPARE(side.out.sent, sent);
    std::remove(content.c_str());
  }

  // The demo device on its thread answers a master from its table; what it says unasked decodes,
  // in turn, as good reports, one with a wrong checksum and one from an ID out of range.
  void demoDeviceAnswersAndSpeaksUnasked() {
    SessionOptions options;
    options.decode = true;
    options.role = SimulationRole::Master;
    options.protocol = ProtocolOptionsOf(DemoDevice::Protocol());
    const std::string cable = NewCable();
    DemoDeviceThread device(cable + ":b");
    Side master(loop_, options);
    master.session.ApplyProtocolDefinition(DemoDevice::Protocol());
    QVERIFY(ApplySimulationRows(DemoDevice::TableRows(), master.session.SimTable()).ok);
    OpenOn(master.session, cable + ":a");
    QVERIFY(master.session.SendQuery(1, "1"));
    QVERIFY(Until([&] { return !master.out.exchanges.empty(); }));
    QCOMPARE(master.out.exchanges, std::vector<std::string>{"1 completed"});
    const DecodedPacket& answer = master.out.packets.back();
    QCOMPARE(std::make_tuple(answer.id, answer.cmd, answer.data, answer.checksum),
             std::make_tuple(5, 1, Bytes("\x00\xEB", 2), ChecksumCheck::Ok));

    options.role = SimulationRole::None;
    Side listener(loop_, options);
    listener.session.ApplyProtocolDefinition(DemoDevice::Protocol());
    const std::string other = NewCable();
    OpenOn(listener.session, other + ":a");
    Peer peer(other + ":b");
    const ProtocolDefinition& definition = listener.session.Definition();
    for (unsigned turn = 0; turn < 6; ++turn) {
      peer.Send(DemoDevice::UnaskedPacket(turn, definition, options.protocol));
    }
    QVERIFY(Until([&] { return listener.out.packets.size() == 6; }));
    std::string kinds;
    for (const DecodedPacket& p : listener.out.packets) {
      QCOMPARE(p.cmd, int{DemoDevice::kReportCommand});
      kinds += p.checksum != ChecksumCheck::Ok ? 'C' : !p.inRange ? 'R' : '.';
    }
    QCOMPARE(kinds, std::string("..C.R."));
  }

  // Modbus RTU framed by silence on a paced cable at 9600: a query, then its answer after 40 ms
  // or after exactly 3.5 character times, while the loop thread is held up 100 ms. The read
  // times and the checksums frame them, not the time the loop got to the bytes.
  void framesBySilenceOnAPacedCable() {
    const PdtReadResult pdt = ReadPdtLines(
        ReadTextLines(std::string(FERROTAP_EXAMPLES_DIR) + "/modbus-rtu.pdt"), PdtSettings{});
    QVERIFY(!pdt.Failed());
    SessionOptions options;
    options.decode = true;
    options.formatA = DisplayFormat::Hex;
    options.protocol = ProtocolOptionsOf(pdt.settings);
    const Bytes query("\x11\x03\x00\x6B\x00\x03\x76\x87", 8);
    const Bytes answer("\x11\x03\x06\xAE\x41\x56\x52\x43\x40\x49\xAD", 11);
    const CharacterFrame line{9600, 8, false, StopBits::One};
    for (const auto gap :
         {std::chrono::nanoseconds(40ms), std::chrono::nanoseconds(CharacterTimeNs(line, 3500))}) {
      Side side(loop_, options);
      side.session.ApplyProtocolDefinition(pdt.settings);
      const std::string cable = NewCable();
      OpenOn(side.session, cable + ":a:paced");
      Peer peer(cable + ":b:paced");
      peer.device->ApplyLine(LineSettings{9600, pNone, 8, StopBitsMode::One});
      Until([] { return false; }, 50ms);
      for (int round = 0; round < 2; ++round) {
        peer.Send(query);
        peer.device->WriteAfterSilence(answer.data(), answer.size(), gap);
        std::this_thread::sleep_for(100ms);
      }
      QVERIFY(Until([&] { return side.out.packets.size() >= 4 && !side.session.DecoderA().SilenceDueNs(); }));
      QCOMPARE(side.out.packets.size(), std::size_t{4});
      for (std::size_t i = 0; i < 4; ++i) {
        const DecodedPacket& p = side.out.packets[i];
        QCOMPARE(p.checksum, ChecksumCheck::Ok);
        QCOMPARE(p.data, i % 2 == 0 ? query.substr(2, 4) : answer.substr(2, 7));
      }
    }
  }

 private:
  NotificationLoop loop_;
};

FERROTAP_TEST(SessionTest)

}  // namespace ferrotap

#include "session_test.moc"
