// SPDX-License-Identifier: MIT
#include <QtTest>
#include <string>
#include <vector>

#include <QTemporaryDir>
#include <chrono>
#include <thread>

#include "core/capture_log_reader.h"
#include "core/capture_log_writer.h"
#include "serial/com_port.h"
#include "serial/virtual_serial_device.h"
#include "serial/notification_loop.h"
#include "session/log_replay.h"
#include "session/loop_host.h"
#include "session/session.h"
#include "tests/session/recording_session_output.h"
#include "tests/support/test_registry.h"

namespace ferrotap {
namespace {

constexpr int64_t kMs = 1'000'000;

// A chunk as read: port 'A' or 'B', or 'S' for bytes sent; its read time in ns from the start.
// 'C' clears the display, 'U' undoes that clear.
struct Chunk {
  char port;
  std::string bytes;
  int64_t atNs;
};

struct Case {
  const char* name;
  DisplayFormat format;
  TimeStampMode stamps;
  std::optional<IdleGap> gap;
  std::vector<Chunk> chunks;
  std::string shown;  // the stamps in braces
};

// The recorded text with each stamp in braces.
std::string Marked(const test::RecordingSessionOutput& out) {
  std::string text;
  for (const auto& run : out.runs) {
    text += run.color == ColorRole::TimeStamp ? "{" + run.text + "}" : run.text;
  }
  return text;
}

// A session with relative stamps and idle-gap lines on one end of a virtual cable, logging to a
// temporary file; the test is the peer on the other end.
struct LoggingSession {
  LoggingSession(const std::string& cable, int64_t gapThousandths)
      : host(loop, StampedOptions(gapThousandths)) {
    session.ApplyPortSettings(CpsSettings{}, PortPaths{cable + ":a", {}});
    logError = session.StartLog(path);
    peer = VirtualSerialDevice::Open(cable + ":b");
  }
  static SessionOptions StampedOptions(int64_t gapThousandths) {
    SessionOptions options;
    options.timeStamps = TimeStampMode::Relative;
    options.idleGap = IdleGap{IdleGap::Unit::Milliseconds, gapThousandths};
    return options;
  }
  QTemporaryDir dir;
  std::string path = dir.filePath("capture.ftlog").toStdString();
  NotificationLoop loop;
  LoopHost host;
  test::RecordingSessionOutput out;
  Session session{host, out};
  std::string logError;
  std::unique_ptr<VirtualSerialDevice> peer;
};

}  // namespace

class CaptureDisplayTest : public QObject {
  Q_OBJECT

 private slots:
  // Stamps and idle-gap lines as the session inserts them, from the read times of the chunks.
  void stampsAndFramesFollowReadTimes() {
    const IdleGap gap10ms{IdleGap::Unit::Milliseconds, 10'000};
    NotificationLoop loop;
    LoopHost probeHost(loop);
    test::RecordingSessionOutput probeOut;
    Session probe(probeHost, probeOut);
    const LineSettings line = probe.PortA().Line();
    CharacterFrame frame;
    frame.baud = line.baud;
    frame.dataBits = line.dataBits;
    frame.parity = line.parity != pNone;
    // The gap is measured from the end of a chunk to the start of the next one's first byte.
    const int64_t oneChar = CharacterTimeNs(frame, 1000);
    const int64_t atGap = 10 * kMs + oneChar;

    const std::vector<Case> cases = {
        {"a silence exactly as long as the gap splits, one ns less does not",
         DisplayFormat::Hex, TimeStampMode::None, gap10ms,
         {{'A', "\x01", 0}, {'A', "\x02", atGap}, {'A', "\x03", 2 * atGap - 1}},
         "01 \r\n02 03 "},
        {"a stamp opens each frame and each line the data starts", DisplayFormat::Ascii,
         TimeStampMode::Relative, gap10ms,
         {{'A', "ab\r\ncd", 0}, {'A', "e\r\n", 5 * kMs}, {'A', "f", 7 * kMs},
          {'A', "g", 30 * kMs}},
         "{ +0.000 }ab\r\n{ +0.000 }cde\r\n{ +0.007 }f\r\n{ +0.023 }g"},
        {"spy mode: each port's data on its own line, in the order read", DisplayFormat::Hex,
         TimeStampMode::Relative, std::nullopt,
         {{'A', "\x01", 0}, {'B', "\x02", 1 * kMs}, {'B', "\x03", 2 * kMs}, {'A', "\x04", 4 * kMs}},
         "{ +0.000 }01 \r\n{ +0.001 }02 03 \r\n{ +0.003 }04 "},
        {"the echo of what is sent is stamped too", DisplayFormat::Hex, TimeStampMode::Relative,
         std::nullopt, {{'A', "\x01", 0}, {'S', "\x02", 3 * kMs}},
         "{ +0.000 }01 \r\n{ +0.003 }02 "},
        {"a clear undone: the display goes on as before the clear", DisplayFormat::Ascii,
         TimeStampMode::Relative, std::nullopt,
         {{'A', "ab", 0}, {'B', "c", kMs}, {'C', "", 0}, {'U', "", 0}, {'B', "d", 2 * kMs},
          {'A', "e", 3 * kMs}},
         "{ +0.000 }ab\r\n{ +0.001 }cd\r\n{ +0.002 }e"},
        {"off: blocks run together as before", DisplayFormat::Hex, TimeStampMode::None,
         std::nullopt, {{'A', "\x01", 0}, {'B', "\x02", 50 * kMs}}, "01 02 "},
    };
    for (const Case& c : cases) {
      SessionOptions options;
      options.formatA = options.formatB = c.format;
      options.timeStamps = c.stamps;
      options.idleGap = c.gap;
      LoopHost host(loop, options);
      test::RecordingSessionOutput out;
      Session session(host, out);
      const int64_t start = 1000 * kMs;
      for (const Chunk& chunk : c.chunks) {
        if (chunk.port == 'S') {
          session.ShowSent(chunk.bytes, start + chunk.atNs);
        } else if (chunk.port == 'C') {
          session.DisplayCleared();
        } else if (chunk.port == 'U') {
          session.DisplayClearUndone();
        } else {
          session.ShowReceived(chunk.port == 'A' ? SessionPort::A : SessionPort::B, chunk.bytes,
                               start + chunk.atNs);
        }
      }
      QVERIFY2(Marked(out) == c.shown, (std::string(c.name) + ": " + Marked(out)).c_str());
    }
  }

  // Stamps, frames and the log take the time the serial layer read the bytes, not the time the
  // loop thread got to them: with the loop blocked for 300 ms after the peer wrote, the chunk is
  // logged at its read time, and the next chunk, read after the block, is stamped 300 ms later on
  // a line of its own.
  void stampIsTheReadTimeWhileTheLoopIsBlocked() {
    LoggingSession s("virtual:capture-blocked", 100'000);
    QCOMPARE(s.logError, std::string());
    s.peer->Write("A", 1);
    const int64_t writtenNs = SteadyNowNs();
    // The loop thread is busy far longer than a loaded machine is late to read.
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    QVERIFY(s.loop.ProcessUntil([&] { return s.out.receivedA == "A"; }, std::chrono::seconds(5)));
    s.peer->Write("B", 1);
    QVERIFY(s.loop.ProcessUntil([&] { return s.out.receivedA == "AB"; }, std::chrono::seconds(5)));
    s.session.StopLog();
    const std::string shown = Marked(s.out);
    const std::string opening = "{ +0.000 }41 \r\n{ +0.";
    QVERIFY2(shown.starts_with(opening) && shown.size() > opening.size() &&
                 shown[opening.size()] >= '2' && shown.ends_with(" }42 "),
             shown.c_str());
    CaptureLogReader reader;
    QVERIFY(reader.Open(s.path));
    CaptureRecordView first;
    QVERIFY(reader.Next(first));
    QVERIFY(first.timeNs - writtenNs < 300 * kMs);
  }

  // A live session logs what it reads and sends, and the text it shows when asked; played back
  // through another session, the log shows exactly what the live one showed, stamps and frames
  // included, and sends nothing.
  void logPlaysBackAsItWasShown() {
    LoggingSession s("virtual:capture-display", 20'000);
    QCOMPARE(s.session.StartLog(s.path, {}, true), std::string());
    s.peer->Write("AB", 2);
    QVERIFY(s.loop.ProcessUntil([&] { return s.out.receivedA == "AB"; }, std::chrono::seconds(5)));
    QVERIFY(s.session.SendTyped("xy"));
    s.loop.ProcessUntil([] { return false; }, std::chrono::milliseconds(40));
    s.peer->Write("C", 1);
    QVERIFY(s.loop.ProcessUntil([&] { return s.out.receivedA == "ABC"; }, std::chrono::seconds(5)));
    s.session.StopLog();

    CaptureLogReader reader;
    QVERIFY(reader.Open(s.path));
    std::string kinds;
    std::string text;
    CaptureRecordView record;
    while (reader.Next(record)) {
      if (record.kind == CaptureKind::Text) {
        const bool stamp = record.detail == static_cast<uint8_t>(ColorRole::TimeStamp);
        text += stamp ? "{" + std::string(record.payload) + "}" : std::string(record.payload);
        continue;
      }
      kinds += (record.kind == CaptureKind::Sent ? "S:" : "R:") + std::string(record.payload) + " ";
    }
    QCOMPARE(kinds, std::string("R:AB S:xy R:C "));
    QCOMPARE(text, Marked(s.out));
    QCOMPARE(reader.Stopped().reason, CaptureLogStop::Reason::End);

    SessionOptions options = s.host.Options();
    options.role = SimulationRole::Slave;  // a replay answers nobody
    LoopHost replayHost(s.loop, options);
    test::RecordingSessionOutput replayed;
    Session replay(replayHost, replayed);
    QCOMPARE(ReplayCaptureLog(replay, s.path).message, std::string());
    // The played-back log ends its line, so that live data goes on below it.
    QCOMPARE(QByteArray::fromStdString(Marked(replayed)),
             QByteArray::fromStdString(Marked(s.out) + "\r\n"));
    QCOMPARE(replayed.sent, std::string());
  }

  // A log played in steps holds the live data that arrives meanwhile and shows it after the log;
  // the live data is logged at once all the same.
  void liveDataWaitsForAReplayInSteps() {
    QTemporaryDir dir;
    const std::string oldLog = dir.filePath("old.ftlog").toStdString();
    {
      auto opened = CaptureLogWriter::Open(oldLog, ClockBase::Now(), {}, {});
      CaptureRecordView record;
      for (const char* payload : {"OLD1", "OLD2"}) {
        record.payload = payload;
        opened.writer->Append(record);
      }
    }
    LoggingSession s("virtual:capture-held", 20'000);
    s.host.SetOptions(SessionOptions{});
    CaptureLogReplay replay(s.session);
    QVERIFY(replay.Open(oldLog));
    QVERIFY(replay.Step(1));
    s.peer->Write("N", 1);
    QVERIFY(s.loop.ProcessUntil([&] { return s.out.receivedA == "N"; }, std::chrono::seconds(5)));
    QCOMPARE(s.out.Text(), std::string("4F 4C 44 31 "));
    QVERIFY(!replay.Step(100));
    QCOMPARE(s.out.Text(), std::string("4F 4C 44 31 4F 4C 44 32 \r\n4E "));
    QCOMPARE(replay.Played(), uint64_t{8});
    s.session.StopLog();
    CaptureLogReader reader;
    QVERIFY(reader.Open(s.path));
    CaptureRecordView record;
    QVERIFY(reader.Next(record) && record.payload == "N");
  }
};

FERROTAP_TEST(CaptureDisplayTest)

}  // namespace ferrotap

#include "capture_display_test.moc"
