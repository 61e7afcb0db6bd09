// SPDX-License-Identifier: MIT
// Floods 10 MB into port A of the real main window (offscreen) through a pseudo-terminal, the
// peer writing as fast as the pseudo-terminal takes the bytes, with "HEX" selected. Prints, next
// to their targets: the rate at which received bytes were rendered into the data window, whether
// the window's text is exactly the rendering of every byte sent, the longest time the UI thread
// spent on one event without returning to its event loop (plus the longest gap between ticks of a
// 5 ms probe timer, which also catches work outside event delivery), and the peak memory growth
// per received byte. Exit status 0 when every target is met.
//
// With "decode", the payload is valid 16-byte protocol packets and "Decode Protocol" is on: the
// window must show every packet's annotated line, exactly.
//
// With "log", the peer writes at a steady 1 MB/s (MB megabytes take MB seconds) while the session
// writes a capture log: afterwards the log must read back with every byte received, in order, and
// nothing dropped; the rendered rate is the pace and has no target.
//
//   QT_QPA_PLATFORM=offscreen bench_monitor_flood [MB] [decode|stamps|log]   (default 10, raw)
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "app/application.h"
#include "app/data_window.h"
#include "app/main_window.h"
#include "core/capture_log_reader.h"
#include "core/render.h"
#include "session/session.h"
#include "bench/flood_packets.h"
#include "bench/serial_bench_support.h"
#include "bench/timed_application.h"

namespace {

using ferrotap::bench::TimedApplication;

constexpr double kTargetMBps = 4.0;
constexpr double kTargetStallMs = 50.0;
constexpr double kTargetGrowth = 10.0;
constexpr int kProbeMs = 5;
constexpr int kHexIndex = 2;
constexpr qint64 kGiveUpMs = 120000;
constexpr double kLogPaceBytesPerSecond = 1024.0 * 1024.0;
constexpr std::size_t kLogPieceBytes = 4096;

long StatusKb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(key) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
  }
  return 0;
}

// Makes VmHWM start again from the present resident size.
void ResetPeakRss() {
  std::ofstream clearRefs("/proc/self/clear_refs");
  clearRefs << "5";
}

// What a capture log holds of port A's received bytes, and whether it read to its end with
// nothing dropped.
struct LogReadBack {
  std::string received;
  bool clean = false;
  uint64_t dropped = 0;
};

LogReadBack ReadBack(const std::string& path) {
  LogReadBack back;
  ferrotap::CaptureLogReader reader;
  if (!reader.Open(path)) return back;
  ferrotap::CaptureRecordView record;
  while (reader.Next(record)) {
    if (record.kind == ferrotap::CaptureKind::Dropped) ++back.dropped;
    if (record.kind == ferrotap::CaptureKind::Received && record.port == ferrotap::CapturePort::A) {
      back.received += record.payload;
    }
  }
  back.clean = reader.Stopped().reason == ferrotap::CaptureLogStop::Reason::End;
  return back;
}

// The rendering without the stamps and line breaks the stamps mode adds: each line opens with a
// stamp " +s.mmm " and ends with CR LF.
std::string WithoutStamps(const std::string& text) {
  std::string plain;
  plain.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    const std::size_t stampEnd = text.find(' ', pos + 1);
    const std::size_t from = stampEnd < end ? stampEnd + 1 : pos;
    plain.append(text, from, end - from);
    pos = end + 2;
  }
  return plain;
}

const char* Verdict(bool met) {
  return met ? "met" : "MISSED";
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10;
  const bool decode = argc > 2 && std::string(argv[2]) == "decode";
  // Raw HEX with relative time stamps and a line after 3.5 character times of silence.
  const bool stamped = argc > 2 && std::string(argv[2]) == "stamps";
  const bool logged = argc > 2 && std::string(argv[2]) == "log";
  const std::size_t total = std::max<std::size_t>(megabytes, 1) * 1024u * 1024u;

  ferrotap::bench::PtyPair pty;
  setenv("FERROTAP_COM1", pty.slaveName.c_str(), 1);

  TimedApplication app(argc, argv);
  QTemporaryDir exeDir;
  ferrotap::MainWindow window(exeDir.path() + "/");
  window.show();
  auto* rea = window.findChild<ferrotap::DataWindow*>("REA");
  auto* inFormat = window.findChild<QComboBox*>("CBINDATAF");
  if (rea == nullptr || inFormat == nullptr) {
    std::fprintf(stderr, "REA or CBINDATAF not found\n");
    return 2;
  }
  inFormat->setCurrentIndex(kHexIndex);
  if (decode) window.findChild<QCheckBox*>("CBDECPROT")->setChecked(true);
  if (stamped) {
    window.findChild<QComboBox*>("CBOXTIMESTAMP")->setCurrentIndex(2);
    window.findChild<QLineEdit*>("EDIDLEGAP")->setText("3.5c");
    window.findChild<QCheckBox*>("CBIDLEGAP")->setChecked(true);
  }
  // Let the window settle (first layout and paint) before the clock starts. Local event loops:
  // QApplication::quit() would close the window, and a hidden data window never repaints.
  QEventLoop settle;
  QTimer::singleShot(200, &settle, &QEventLoop::quit);
  settle.exec();
  rea->Clear();
  const std::string logPath = exeDir.filePath("flood.ftlog").toStdString();
  if (logged) {
    const std::string error = window.GetSession().StartLog(logPath);
    if (!error.empty()) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 2;
    }
  }

  std::string payload;
  std::string expected;
  if (decode) {
    for (std::size_t i = 0; payload.size() < total; ++i) {
      payload += ferrotap::bench::FloodPacket(i);
      expected += ferrotap::bench::FloodPacketLine(i, "\r\n");
    }
  } else {
    payload.resize(total);
    for (std::size_t i = 0; i < total; ++i) payload[i] = ferrotap::bench::FloodByte(i);
    expected = ferrotap::RenderBytes(ferrotap::DisplayFormat::Hex, payload);
  }
  const std::size_t expectedLength = expected.size();

  if (!rea->isVisible()) {
    std::fprintf(stderr, "the data window is not visible\n");
    return 2;
  }
  const std::uint64_t paintsBefore = rea->PaintCount();
  ResetPeakRss();
  const long rssBefore = StatusKb("VmRSS");

  QElapsedTimer clock;
  std::atomic<bool> stopWriter{false};
  std::atomic<bool> writerDone{false};
  clock.start();
  app.StartTiming();
  std::thread writer([&] {
    std::size_t sent = 0;
    const auto start = std::chrono::steady_clock::now();
    while (sent < payload.size() && !stopWriter) {
      if (logged) {
        std::this_thread::sleep_until(
            start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(static_cast<double>(sent) /
                                                      kLogPaceBytesPerSecond)));
      }
      const std::size_t piece = logged ? kLogPieceBytes : 65536;
      const ssize_t n = ::write(pty.master, payload.data() + sent,
                                std::min<std::size_t>(piece, payload.size() - sent));
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
      } else {
        pollfd pfd{pty.master, POLLOUT, 0};
        ::poll(&pfd, 1, 100);
      }
    }
    writerDone = true;
  });

  qint64 lastTick = clock.nsecsElapsed();
  qint64 longestGapNs = 0;
  qint64 doneAtNs = -1;
  std::size_t lastLength = 0;
  qint64 lastProgressMs = 0;
  qint64 lastProgressNs = 0;
  QEventLoop flood;
  QTimer probe;
  probe.setTimerType(Qt::PreciseTimer);
  probe.setInterval(kProbeMs);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    longestGapNs = std::max(longestGapNs, now - lastTick);
    lastTick = now;
    const std::size_t length = rea->Model().Length();
    if (length != lastLength) {
      lastLength = length;
      lastProgressMs = now / 1000000;
      lastProgressNs = now;
    }
    // Stamps make the text longer than the rendering: the flood is over when the text has stopped
    // growing for a second after the last byte was written; it ended with the last growth.
    if (stamped && writerDone && now / 1000000 - lastProgressMs > 1000) {
      doneAtNs = lastProgressNs;
      flood.quit();
      return;
    }
    // Done when all text is in, or nothing came for 10 s, or the run is hopeless (a paced run
    // takes its time).
    const qint64 giveUpMs =
        logged ? kGiveUpMs + static_cast<qint64>(1000.0 * static_cast<double>(total) /
                                                 kLogPaceBytesPerSecond)
               : kGiveUpMs;
    if (length >= expectedLength || now / 1000000 - lastProgressMs > 10000 ||
        clock.elapsed() > giveUpMs) {
      doneAtNs = now;
      flood.quit();
    }
  });
  // The probe's own lateness shows the last insertion's moment to within one probe period; the
  // rate is taken from the moment the text was complete.
  probe.start();
  flood.exec();
  app.StopTiming();
  probe.stop();
  stopWriter = true;
  writer.join();

  const long peakKb = StatusKb("VmHWM");
  window.GetSession().StopLog();
  const LogReadBack log = logged ? ReadBack(logPath) : LogReadBack{};
  const bool logComplete = !logged || (log.clean && log.dropped == 0 && log.received == payload);
  const std::string text = stamped ? WithoutStamps(rea->Text()) : rea->Text();
  const bool complete = text == expected;

  const double seconds = static_cast<double>(doneAtNs) / 1e9;
  const double receivedBytes = static_cast<double>(payload.size()) *
                               static_cast<double>(std::min(text.size(), expectedLength)) /
                               static_cast<double>(expectedLength);
  const double rate = receivedBytes / (1024.0 * 1024.0) / seconds;
  const double stallMs = static_cast<double>(app.LongestEventNs()) / 1e6;
  const double gapMs = static_cast<double>(longestGapNs) / 1e6 - kProbeMs;
  const double growth =
      static_cast<double>(peakKb - rssBefore) * 1024.0 / static_cast<double>(payload.size());

  std::printf("mode                  : %s\n",
              decode    ? "Decode Protocol, 16-byte packets"
              : stamped ? "raw HEX, relative time stamps, new line after 3.5 character times"
              : logged  ? "raw HEX at 1 MB/s, capture log written"
                        : "raw HEX");
  std::printf("bytes sent            : %zu (%zu MB)\n", payload.size(), total / (1024 * 1024));
  std::printf("text in data window   : %zu characters (expected %zu), %zu colour runs\n",
              text.size(), expectedLength, rea->Model().RunCount());
  std::printf("data window repaints  : %llu\n",
              static_cast<unsigned long long>(rea->PaintCount() - paintsBefore));
  std::printf("every byte arrived    : %-8s target: yes, no byte lost   %s\n",
              complete ? "yes" : "NO", Verdict(complete));
  if (logged) {
    std::printf("capture log read back : %-8s target: every byte, none dropped  %s  (%zu bytes, "
                "%llu drops)\n",
                logComplete ? "yes" : "NO", Verdict(logComplete), log.received.size(),
                static_cast<unsigned long long>(log.dropped));
    std::printf("rendered rate         : %6.2f MB/s  (paced by the peer)  (%.2f s)\n", rate,
                seconds);
  } else {
    std::printf("rendered rate         : %6.2f MB/s  target: >= %.1f MB/s  %s  (%.2f s)\n", rate,
                kTargetMBps, Verdict(complete && rate >= kTargetMBps), seconds);
  }
  std::printf("longest UI event      : %6.1f ms    target: <= %.0f ms     %s\n", stallMs,
              kTargetStallMs, Verdict(stallMs <= kTargetStallMs));
  std::printf("longest probe lateness: %6.1f ms    (gap between %d ms ticks minus %d ms)\n", gapMs,
              kProbeMs, kProbeMs);
  std::printf(
      "memory growth (peak)  : %6.2f B/B   target: < %.0f B/B     %s  (RSS %ld kB before, peak %ld "
      "kB)\n",
      growth, kTargetGrowth, Verdict(growth < kTargetGrowth), rssBefore, peakKb);
  const bool allMet = complete && logComplete && (logged || rate >= kTargetMBps) &&
                      stallMs <= kTargetStallMs && growth < kTargetGrowth;
  return allMet ? 0 : 1;
}
