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
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextEdit>
#include <cstdio>
#include <functional>

#include "core/colors.h"
#include "app/data_window.h"
#include "core/render.h"

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

int RunOne(const QString& widgetName, bool lineBreaks, double megabytes) {
  const bool ours = widgetName == "rea";
  ferrotap::DataWindow rea;
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
  double firstRate = 0;
  double lastRate = 0;
  QElapsedTimer total;
  QElapsedTimer sliceTimer;
  QElapsedTimer one;
  total.start();
  sliceTimer.start();
  std::size_t sliceStart = 0;
  while (held < target) {
    for (std::size_t i = 0; i < kBlockBytes; ++i) block[i] = static_cast<char>(blocks * 7 + i * 13);
    std::string text = ferrotap::RenderBytes(ferrotap::DisplayFormat::Hex, block);
    if (lineBreaks && ++blocks % kBlocksPerLine == 0) text += "\r\n";
    if (!lineBreaks) ++blocks;
    one.start();
    insert(text);
    QApplication::processEvents();
    worstMs = std::max(worstMs, static_cast<double>(one.nsecsElapsed()) / 1e6);
    held += text.size();
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
  const long peakKb = StatusKb("VmHWM:");
  std::printf("  overall %.4f MB/s; last/first slice %.0f%%; worst insertion+events %.2f ms\n",
              static_cast<double>(held) / kMB / (static_cast<double>(total.nsecsElapsed()) / 1e9),
              100.0 * lastRate / firstRate, worstMs);
  std::printf(
      "  peak RSS %.1f MB (%.2f bytes/char), above the idle window %.1f MB (%.2f bytes/char)",
      peakKb / 1024.0, peakKb * 1024.0 / static_cast<double>(held), (peakKb - baselineKb) / 1024.0,
      (peakKb - baselineKb) * 1024.0 / static_cast<double>(held));
  if (ours) {
    std::printf("; repaints %llu; text check %s\n",
                static_cast<unsigned long long>(rea.PaintCount()),
                rea.Model().Length() == held ? "ok" : "LENGTH MISMATCH");
  } else {
    std::printf("\n");
  }
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc == 4) return RunOne(argv[1], QString(argv[2]) == "b", QString(argv[3]).toDouble());
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
