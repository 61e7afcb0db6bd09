// SPDX-License-Identifier: MIT
// "Open log" in the real main window (offscreen): a 64 MB capture log of 256-byte chunks of ports
// A and B, shown in HEX. Prints the MB of log played a second from the press to "Log played"
// (target >= 50 MB/s) and the longest time the UI thread spent on one event (target <= 50 ms:
// the log plays in steps). Exit status 0 when both are met.
//
//   QT_QPA_PLATFORM=offscreen bench_window_log_replay [MB]   (default 64)
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/data_window.h"
#include "app/main_window.h"
#include "app/status_strip.h"
#include "bench/recording_dialogs.h"
#include "bench/timed_application.h"
#include "core/capture_log_writer.h"

namespace {

constexpr double kTargetMBps = 50.0;
constexpr double kTargetStallMs = 50.0;
constexpr std::size_t kChunkBytes = 256;
constexpr qint64 kGiveUpMs = 120000;

// Answers the file chooser with the log.
class LogDialogs : public ferrotap::bench::RecordingDialogs {
 public:
  explicit LogDialogs(QString path) : path_(std::move(path)) {}
  std::optional<QString> OpenFileName(const ferrotap::FileDialogSpec&) override { return path_; }

 private:
  QString path_;
};

// Writes the log and returns its payload bytes.
std::size_t WriteLog(const std::string& path, std::size_t megabytes) {
  auto opened = ferrotap::CaptureLogWriter::Open(path, ferrotap::ClockBase::Now(), {}, {});
  std::string payload(kChunkBytes, '\0');
  ferrotap::CaptureRecordView record;
  int64_t time = 0;
  std::size_t written = 0;
  for (; written < megabytes << 20; written += kChunkBytes) {
    for (std::size_t i = 0; i < kChunkBytes; ++i) payload[i] = static_cast<char>(written + i);
    record.port = (written / kChunkBytes) % 2 == 0 ? ferrotap::CapturePort::A
                                                   : ferrotap::CapturePort::B;
    record.timeNs = time += 20'000'000;
    record.payload = payload;
    opened.writer->Append(record);
  }
  opened.writer->Flush();
  return written;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 64;
  ferrotap::bench::TimedApplication app(argc, argv);
  QTemporaryDir dir;
  const QString logPath = dir.filePath("replay.ftlog");
  const std::size_t payloadBytes = WriteLog(logPath.toStdString(), megabytes);

  LogDialogs dialogs(logPath);
  ferrotap::MainWindow window(dir.path() + "/", &dialogs);
  window.show();
  QLabel* status = window.Strip()->SB2;
  auto* openLog = window.findChild<QPushButton*>("BBOPENLOG");

  QElapsedTimer clock;
  clock.start();
  app.StartTiming();
  openLog->click();
  while (!status->text().startsWith("Log played") && clock.elapsed() < kGiveUpMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  app.StopTiming();

  const double logMB = static_cast<double>(payloadBytes) / (1024.0 * 1024.0);
  const double rate = logMB / seconds;
  const double stallMs = static_cast<double>(app.LongestEventNs()) / 1e6;
  const std::size_t shown = window.REA->Model().Length();
  const bool complete = shown >= 3 * payloadBytes && dialogs.errors.isEmpty();
  std::printf("log                   : %.0f MB of 256-byte chunks, ports A and B, HEX\n", logMB);
  std::printf("text in data window   : %zu characters  %s\n", shown,
              complete ? "(every byte shown)" : "MISSING TEXT");
  std::printf("played rate           : %6.1f MB/s of log  target: >= %.0f MB/s  %s  (%.2f s)\n",
              rate, kTargetMBps, rate >= kTargetMBps ? "met" : "MISSED", seconds);
  std::printf("longest UI event      : %6.1f ms    target: <= %.0f ms     %s  (%s)\n", stallMs,
              kTargetStallMs, stallMs <= kTargetStallMs ? "met" : "MISSED",
              qPrintable(app.LongestEvent()));
  return complete && rate >= kTargetMBps && stallMs <= kTargetStallMs ? 0 : 1;
}
