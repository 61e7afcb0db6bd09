// SPDX-License-Identifier: MIT
// Sends a 10 MB file with "TX FILE" through the real main window (offscreen) to a
// pseudo-terminal whose peer reads as fast as it can, first with the echo off, then with the
// echo on in "HEX". Beside it, a bare loop writes the same file in 1024-byte chunks to the same
// kind of pseudo-terminal. Prints, next to their targets: whether every byte arrived in order,
// the rate at the peer against the bare loop's (target >= 50 %), and the longest time the UI
// thread spent on one event (target <= 50 ms), plus the longest lateness of a 5 ms probe timer and
// the share of the send the UI thread was busy. Exit status 0 when every target is met.
//
//   QT_QPA_PLATFORM=offscreen bench_file_send [MB [ring [runs]]]   (default 10 MB, ring 4096, 3 runs)
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app/data_window.h"
#include "app/dialogs.h"
#include "app/widgets/editable_combo_box.h"
#include "app/main_window.h"
#include "app/pages/terminal_page.h"
#include "bench/serial_bench_support.h"
#include "bench/timed_application.h"
#include "app/pages/com_setting_page.h"
#include "app/sender.h"

namespace {

using ferrotap::bench::TimedApplication;

constexpr double kTargetShare = 0.5;
constexpr double kTargetStallMs = 50.0;
constexpr int kProbeMs = 5;
constexpr int kHexIndex = 2;
constexpr qint64 kGiveUpMs = 180000;

char Pattern(std::size_t i) {
  return static_cast<char>((i * 131 + i / 251) & 0xFF);
}

// The standard dialogs, except that the open-file dialog answers with the file to send.
class FileAnswer : public ferrotap::QtDialogs {
 public:
  explicit FileAnswer(QString path) : path_(std::move(path)) {}
  std::optional<QString> OpenFileName(const ferrotap::FileDialogSpec&) override { return path_; }
  void ShowError(const QString& text) override {
    std::fprintf(stderr, "message: %s\n", text.toLocal8Bit().constData());
  }

 private:
  QString path_;
};

// Reads the master end into a buffer touched beforehand, so that the peer's own page faults weigh
// the same on the bare loop and on the window, until `total` bytes are there or `stop` is set;
// stamps the moment the last byte arrived.
class PeerReader {
 public:
  PeerReader(int master, std::size_t total) : got_(total, '\0') {
    thread_ = std::thread([this, master] {
      while (received_ < got_.size() && !stop_) {
        pollfd pfd{master, POLLIN, 0};
        if (::poll(&pfd, 1, 100) <= 0) continue;
        const ssize_t n = ::read(master, got_.data() + received_, got_.size() - received_);
        if (n > 0) received_ += static_cast<std::size_t>(n);
      }
      doneAt_ = std::chrono::steady_clock::now();
      done_ = true;
    });
  }
  ~PeerReader() {
    stop_ = true;
    thread_.join();
  }
  bool Done() const { return done_; }
  // Valid once Done().
  std::string_view Got() const { return std::string_view(got_).substr(0, received_); }
  std::chrono::steady_clock::time_point DoneAt() const { return doneAt_; }

 private:
  std::string got_;
  std::atomic<std::size_t> received_{0};
  std::atomic<bool> stop_{false};
  std::atomic<bool> done_{false};
  std::chrono::steady_clock::time_point doneAt_;
  std::thread thread_;
};

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double BareLoopMBps(const std::string& payload) {
  ferrotap::bench::PtyPair pty;
  termios tio{};
  ::tcgetattr(pty.keepSlave, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(pty.keepSlave, TCSANOW, &tio);
  const auto start = std::chrono::steady_clock::now();
  PeerReader peer(pty.master, payload.size());
  for (std::size_t sent = 0; sent < payload.size();) {
    const std::size_t chunk = std::min<std::size_t>(1024, payload.size() - sent);
    const ssize_t n = ::write(pty.keepSlave, payload.data() + sent, chunk);
    if (n > 0) sent += static_cast<std::size_t>(n);
  }
  while (!peer.Done()) std::this_thread::sleep_for(std::chrono::microseconds(100));
  if (peer.Got() != payload) std::printf("bare loop lost or reordered bytes\n");
  const double rate =
      static_cast<double>(payload.size()) / 1048576.0 / Seconds(peer.DoneAt() - start);
  return rate;
}

struct RunResult {
  bool whole = false;
  double rate = 0;
  double stallMs = 0;
  double gapMs = 0;
  // Share of the send the UI thread spent in events.
  double busyShare = 0;
  QString longestEvent;
};

RunResult SendThroughWindow(TimedApplication& app, const QString& path, const std::string& payload,
                            int ring, bool echo) {
  ferrotap::bench::PtyPair pty;
  setenv("FERROTAP_COM1", pty.slaveName.c_str(), 1);
  QTemporaryDir exeDir;
  FileAnswer dialogs(path);
  ferrotap::MainWindow window(exeDir.path() + "/", &dialogs);
  window.ComSetting()->SEOUTBUF->setValue(ring);
  window.BBCOMAPPLYClick();
  window.show();
  ferrotap::TerminalPage* terminal = window.Terminal();
  terminal->CBECHO->setChecked(echo);
  terminal->CBOUTDATAF->setCurrentIndex(kHexIndex);
  QEventLoop settle;
  QTimer::singleShot(200, &settle, &QEventLoop::quit);
  settle.exec();

  PeerReader peer(pty.master, payload.size());
  QElapsedTimer clock;
  clock.start();
  qint64 lastTick = 0;
  qint64 longestGapNs = 0;
  QEventLoop run;
  QTimer probe;
  probe.setTimerType(Qt::PreciseTimer);
  probe.setInterval(kProbeMs);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    longestGapNs = std::max(longestGapNs, now - lastTick);
    lastTick = now;
    if ((peer.Done() && !window.Transmit()->FileSending()) || clock.elapsed() > kGiveUpMs) {
      run.quit();
    }
  });
  probe.start();
  const auto start = std::chrono::steady_clock::now();
  app.StartTiming();
  terminal->BBTXFILE->click();
  run.exec();
  app.StopTiming();
  probe.stop();

  RunResult result;
  result.whole = peer.Done() && peer.Got() == payload;
  if (echo) {
    result.whole = result.whole && window.REA->Model().Length() == payload.size() * 3;
  }
  result.rate = static_cast<double>(peer.Got().size()) / 1048576.0 / Seconds(peer.DoneAt() - start);
  result.stallMs = static_cast<double>(app.LongestEventNs()) / 1e6;
  result.gapMs = static_cast<double>(longestGapNs) / 1e6 - kProbeMs;
  result.longestEvent = app.LongestEvent();
  result.busyShare = static_cast<double>(app.BusyNs()) / static_cast<double>(clock.nsecsElapsed());
  return result;
}

const char* Verdict(bool met) {
  return met ? "met" : "MISSED";
}

}  // namespace

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int main(int argc, char* argv[]) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10;
  const std::size_t total = std::max<std::size_t>(megabytes, 1) * 1024u * 1024u;
  const int ring = argc > 2 ? std::atoi(argv[2]) : 4096;
  const int runs = std::max(argc > 3 ? std::atoi(argv[3]) : 3, 1);
  std::string payload(total, '\0');
  for (std::size_t i = 0; i < total; ++i) payload[i] = Pattern(i);

  TimedApplication app(argc, argv);
  QTemporaryDir dir;
  const QString path = dir.filePath("payload.bin");
  std::ofstream(path.toStdString(), std::ios::binary) << payload;

  std::printf(
      "file: %zu bytes (%zu MB) in 1024-byte chunks, output ring %d, %d runs each "
      "(a bare loop right before every window run; medians)\n",
      total, total / (1024 * 1024), ring, runs);
  bool allMet = true;
  for (const bool echo : {false, true}) {
    std::vector<double> bare;
    std::vector<double> rates;
    std::vector<double> busy;
    RunResult worst;
    bool whole = true;
    for (int i = 0; i < runs; ++i) {
      bare.push_back(BareLoopMBps(payload));
      const RunResult r = SendThroughWindow(app, path, payload, ring, echo);
      rates.push_back(r.rate);
      busy.push_back(r.busyShare);
      whole = whole && r.whole;
      if (r.stallMs > worst.stallMs) worst = r;
      worst.gapMs = std::max(worst.gapMs, r.gapMs);
    }
    const double bareRate = Median(bare);
    const double rate = Median(rates);
    const bool rateMet = rate >= kTargetShare * bareRate;
    const bool stallMet = worst.stallMs <= kTargetStallMs;
    std::printf("TX FILE, echo %s\n", echo ? "on (HEX)" : "off");
    std::printf("  bare loop           : %6.2f MB/s\n", bareRate);
    std::printf("  rate at the peer    : %6.2f MB/s = %3.0f %% of bare  target: >= %.0f %%  %s\n",
                rate, 100.0 * rate / bareRate, 100 * kTargetShare, Verdict(rateMet));
    std::printf("  every byte in order : %-8s target: yes              %s\n", whole ? "yes" : "NO",
                Verdict(whole));
    std::printf("  longest UI event    : %6.1f ms    target: <= %.0f ms        %s  (type %s)\n",
                worst.stallMs, kTargetStallMs, Verdict(stallMet), qPrintable(worst.longestEvent));
    std::printf("  probe lateness      : %6.1f ms (worst run)\n", worst.gapMs);
    std::printf("  UI thread busy      : %6.0f %% of the send\n", 100 * Median(busy));
    allMet = allMet && rateMet && stallMet && whole;
  }
  return allMet ? 0 : 1;
}
