// SPDX-License-Identifier: MIT
// Appends 64-byte blocks rendered as HEX to a shown data window, letting the event loop run
// between insertions as the capture pipeline does, and prints the append rate per slice, the
// slowest insertion plus event processing, and the peak memory. The same workload runs against
// QTextEdit for comparison (0.25 MB by default: with a repaint per insertion it manages a few KB/s
// on one growing line). Needs a display (Xvfb or QT_QPA_PLATFORM=offscreen).
//
//   bench_data_window                       all four runs, each in its own process
//   bench_data_window rea|qtextedit a|b MB  one run: widget, case (a: no line break, b: a line
//                                           break every 16 blocks) and megabytes of text
//   bench_data_window rea a|b MB LIMIT      the same with at most LIMIT MB of text in memory, the
//                                           rest in a store in /tmp; then times showing the top,
//                                           middle and end, and a TXT save of the whole text
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QTextEdit>
#include <cstdio>
#include <functional>

#include "core/colors.h"
#include "app/data_window.h"
#include "core/render.h"
#include "bench/timed_application.h"

namespace {

constexpr std::size_t kBlockBytes = 64;
constexpr int kBlocksPerLine = 16;
constexpr double kMB = 1024.0 * 1024.0;

long StatusKb(const char* key) {
  QFile f("/proc/self/status");
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : f.readAll().split('\n')) {
    if (line.startsWith(key))
      return line.mid(static_cast<qsizetype>(strlen(key))).trimmed().split(' ')[0].toLong();
  }
  return 0;
}

double MsSince(const QElapsedTimer& t) {
  return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// Shows the top, the middle and the end of a long capture, then saves it as TXT.
void ScrollAndSave(ferrotap::DataWindow& rea) {
  QScrollBar* bar = rea.verticalScrollBar();
  const struct {
    const char* name;
    int value;
  } places[] = {{"top", 0}, {"middle", bar->maximum() / 2}, {"end", bar->maximum()}};
  for (const auto& place : places) {
    QElapsedTimer t;
    t.start();
    bar->setValue(place.value);
    rea.viewport()->repaint();
    std::printf("  showing the %s: %.1f ms\n", place.name, MsSince(t));
  }
  // A new width lays every row out again, the stored text's included.
  QElapsedTimer t;
  t.start();
  rea.resize(rea.width() - 100, rea.height());
  QApplication::processEvents();
  rea.viewport()->repaint();
  std::printf("  narrower window shown: %.1f ms\n", MsSince(t));
  const std::string path = "/tmp/ferrotap-bench-save.txt";
  t.start();
  const std::string error = rea.SaveText(path);
  const double seconds = MsSince(t) / 1000;
  std::printf("  TXT save of %.0f MB: %.2f s, %.0f MB/s%s%s\n",
              static_cast<double>(rea.Model().Length()) / kMB, seconds,
              static_cast<double>(rea.Model().Length()) / kMB / seconds, error.empty() ? "" : "; ",
              error.c_str());
  QFile::remove(QString::fromStdString(path));
}

int RunOne(ferrotap::bench::TimedApplication& app, const QString& widgetName, bool lineBreaks,
           double megabytes, int limitMB) {
  const bool ours = widgetName == "rea";
  ferrotap::DataWindow rea;
  if (limitMB > 0) {
    QDir().mkpath("/tmp/ferrotap-bench-store");
    ferrotap::TextStoreLimits limits;
    limits.memoryBytes = static_cast<std::size_t>(limitMB) << 20;
    limits.hardBytes = 2 * limits.memoryBytes;
    limits.folder = "/tmp/ferrotap-bench-store";
    rea.SetStoreLimits(limits);
  }
  QTextEdit edit;
  QWidget* shown = ours ? static_cast<QWidget*>(&rea) : &edit;
  edit.setReadOnly(true);
  edit.setFont(QFont("Courier New", -1));
  shown->resize(1000, 700);
  shown->show();
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 300) QApplication::processEvents();

  std::function<void(const std::string&)> insert;
  QTextCharFormat format;
  format.setForeground(Qt::black);
  if (ours) {
    insert = [&rea](const std::string& text) {
      rea.SetInsertColor(ferrotap::kSysWindowTextColor);
      rea.InsertText(text);
    };
  } else {
    insert = [&edit, &format](const std::string& text) {
      QTextCursor cursor = edit.textCursor();
      cursor.movePosition(QTextCursor::End);
      cursor.insertText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())),
                        format);
      edit.setTextCursor(cursor);
    };
  }

  const long baselineKb = StatusKb("VmRSS:");
  const auto target = static_cast<std::size_t>(megabytes * kMB);
  const std::size_t slice = static_cast<std::size_t>((ours ? 10 : 1) * kMB);
  std::printf("%s, case (%s), %.0f MB, slices of %zu MB, window %dx%d\n",
              ours ? "REA (DataWindow)" : "QTextEdit", lineBreaks ? "b" : "a", megabytes,
              slice >> 20, shown->width(), shown->height());
  ferrotap::Bytes block(kBlockBytes, '\0');
  std::size_t held = 0;
  std::size_t blocks = 0;
  double worstMs = 0;
  std::size_t worstAt = 0;
  double firstRate = 0;
  double lastRate = 0;
  app.StartTiming();
  QElapsedTimer total;
  QElapsedTimer sliceTimer;
  QElapsedTimer one;
  total.start();
  sliceTimer.start();
  std::size_t sliceStart = 0;
  double tenthAt = 0;
  double ninthAt = 0;
  while (held < target) {
    for (std::size_t i = 0; i < kBlockBytes; ++i) block[i] = static_cast<char>(blocks * 7 + i * 13);
    std::string text = ferrotap::RenderBytes(ferrotap::DisplayFormat::Hex, block);
    if (lineBreaks && ++blocks % kBlocksPerLine == 0) text += "\r\n";
    if (!lineBreaks) ++blocks;
    one.start();
    insert(text);
    QApplication::processEvents();
    const double ms = static_cast<double>(one.nsecsElapsed()) / 1e6;
    if (ms > worstMs) {
      worstMs = ms;
      worstAt = held;
    }
    held += text.size();
    if (tenthAt == 0 && held >= target / 10) tenthAt = MsSince(total);
    if (ninthAt == 0 && held >= target / 10 * 9) ninthAt = MsSince(total);
    if (held - sliceStart >= slice || held >= target) {
      const double rate = static_cast<double>(held - sliceStart) / kMB /
                          (static_cast<double>(sliceTimer.nsecsElapsed()) / 1e9);
      if (sliceStart == 0) firstRate = rate;
      lastRate = rate;
      std::printf("  %6.1f MB  %9.4f MB/s\n", static_cast<double>(held) / kMB, rate);
      std::fflush(stdout);
      sliceStart = held;
      sliceTimer.start();
    }
  }
  const double tenth = static_cast<double>(target / 10) / kMB;
  std::printf("  first 10%%: %.1f MB/s, last 10%%: %.1f MB/s\n", tenth / (tenthAt / 1000),
              tenth / ((MsSince(total) - ninthAt) / 1000));
  app.StopTiming();
  const long peakKb = StatusKb("VmHWM:");
  const long endKb = StatusKb("VmRSS:");
  std::printf("  overall %.4f MB/s; last/first slice %.0f%%; worst insertion+events %.2f ms"
              " at %.0f MB"
              " (longest event %.2f ms: %s)\n",
              static_cast<double>(held) / kMB / (static_cast<double>(total.nsecsElapsed()) / 1e9),
              100.0 * lastRate / firstRate, worstMs, static_cast<double>(worstAt) / kMB,
              static_cast<double>(app.LongestEventNs()) / 1e6, qPrintable(app.LongestEvent()));
  std::printf(
      "  peak RSS %.1f MB (%.2f bytes/char), above the idle window %.1f MB (%.2f bytes/char)",
      peakKb / 1024.0, peakKb * 1024.0 / static_cast<double>(held), (peakKb - baselineKb) / 1024.0,
      (peakKb - baselineKb) * 1024.0 / static_cast<double>(held));
  if (ours) {
    std::printf("; repaints %llu; text check %s\n",
                static_cast<unsigned long long>(rea.PaintCount()),
                rea.Model().Length() == held ? "ok" : "LENGTH MISMATCH");
    std::printf("  RSS growth start to end %.1f MB; in memory %.1f MB, in the store %.1f MB\n",
                (endKb - baselineKb) / 1024.0, static_cast<double>(rea.Model().MemoryLength()) / kMB,
                static_cast<double>(rea.Model().StoredLength()) / kMB);
    if (limitMB > 0) ScrollAndSave(rea);
  } else {
    std::printf("\n");
  }
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  ferrotap::bench::TimedApplication app(argc, argv);
  if (argc == 4 || argc == 5) {
    return RunOne(app, argv[1], QString(argv[2]) == "b", QString(argv[3]).toDouble(),
                  argc == 5 ? QString(argv[4]).toInt() : 0);
  }
  const struct {
    const char* widget;
    const char* useCase;
    const char* mb;
  } runs[] = {{"rea", "a", "100"},
              {"rea", "b", "100"},
              {"qtextedit", "a", "0.25"},
              {"qtextedit", "b", "0.25"}};
  for (const auto& run : runs) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {run.widget, run.useCase, run.mb});
    child.waitForFinished(-1);
  }
  return 0;
}
