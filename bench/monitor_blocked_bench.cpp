// SPDX-License-Identifier: MIT
// The UI thread of the real main window (offscreen) is blocked for 5 s in the middle of a flood
// into port A, a virtual null-modem pair, with "HEX" selected; during the block the peer makes a
// parity error and, once all its bytes are written, pulls the cable. Nothing may be lost: once
// the thread is back, the data window must hold the rendering of every byte sent, the line error
// must be shown and the loss reported, once. Prints each next to its target and the time from the
// end of the block until everything was shown. Exit status 0 when every target is met.
//
//   QT_QPA_PLATFORM=offscreen bench_monitor_blocked [MB]     (default 4)
#include <poll.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/application.h"
#include "app/data_window.h"
#include "app/dialogs.h"
#include "app/main_window.h"
#include "core/render.h"
#include "app/status_strip.h"
#include "bench/recording_dialogs.h"
#include "serial/virtual_serial_device.h"

namespace {

constexpr int kHexIndex = 2;
constexpr auto kBlock = std::chrono::seconds(5);
constexpr qint64 kGiveUpMs = 60000;

char Pattern(std::size_t i) {
  return static_cast<char>((i * 131 + i / 251) & 0xFF);
}

void WriteAll(ferrotap::VirtualSerialDevice& peer, const std::string& bytes, std::size_t from,
              std::size_t to) {
  while (from < to) {
    const ferrotap::IoResult result =
        peer.Write(bytes.data() + from, std::min<std::size_t>(65536, to - from));
    if (result.status == ferrotap::IoResult::Status::Lost) return;
    from += result.count;
    if (result.count == 0) {
      pollfd p{peer.WriteFd(), POLLOUT, 0};
      ::poll(&p, 1, 100);
    }
  }
}

const char* Verdict(bool met) {
  return met ? "met" : "MISSED";
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 4;
  const std::size_t total = std::max<std::size_t>(megabytes, 1) * 1024u * 1024u;
  const std::string cable = "virtual:blockedbench:";
  setenv("FERROTAP_COM1", (cable + "a").c_str(), 1);

  ferrotap::Application app(argc, argv);
  QTemporaryDir exeDir;
  ferrotap::bench::RecordingDialogs dialogs;
  ferrotap::MainWindow window(exeDir.path() + "/", &dialogs);
  window.show();
  auto peer = ferrotap::VirtualSerialDevice::Open(cable + "b");
  auto* rea = window.findChild<ferrotap::DataWindow*>("REA");
  window.findChild<QComboBox*>("CBINDATAF")->setCurrentIndex(kHexIndex);
  rea->Clear();

  std::string payload(total, '\0');
  for (std::size_t i = 0; i < total; ++i) payload[i] = Pattern(i);
  const std::string expected = ferrotap::RenderBytes(ferrotap::DisplayFormat::Hex, payload);

  std::atomic<bool> blocked{false};
  std::thread writer([&] {
    WriteAll(*peer, payload, 0, total / 4);
    while (!blocked) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    peer->InjectLineErrors(ferrotap::kLineParity);
    WriteAll(*peer, payload, total / 4, total);
    peer->Unplug();
  });

  QElapsedTimer clock;
  qint64 unblockedMs = -1;
  QTimer::singleShot(300, [&] {
    blocked = true;
    std::this_thread::sleep_for(kBlock);
    unblockedMs = clock.elapsed();
  });
  clock.start();
  qint64 doneMs = -1;
  QEventLoop run;
  QTimer probe;
  probe.setInterval(5);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const bool shown = rea->Model().Length() >= expected.size() && !dialogs.errors.isEmpty() &&
                       !window.Strip()->SB2->text().isEmpty();
    if ((unblockedMs >= 0 && shown) || clock.elapsed() > kGiveUpMs) {
      doneMs = clock.elapsed();
      run.quit();
    }
  });
  probe.start();
  run.exec();
  // Anything told twice would come now.
  QEventLoop settle;
  QTimer::singleShot(500, &settle, &QEventLoop::quit);
  settle.exec();
  writer.join();

  const bool complete = rea->Text() == expected;
  const QString lineError = window.Strip()->SB2->text();
  const bool errorShown = lineError.contains("Parity");
  const bool lostOnce =
      dialogs.errors.size() == 1 && dialogs.errors.first().startsWith("Com A lost");
  std::printf("bytes sent             : %zu, UI thread blocked %lld s after 300 ms\n", total,
              static_cast<long long>(kBlock.count()));
  std::printf("every byte shown       : %-4s target: yes   %s\n", complete ? "yes" : "NO",
              Verdict(complete));
  std::printf("line error shown       : %-4s target: yes   %s  (\"%s\")\n",
              errorShown ? "yes" : "NO", Verdict(errorShown), lineError.toLatin1().constData());
  std::printf("loss reported once     : %-4s target: yes   %s  (%lld messages)\n",
              lostOnce ? "yes" : "NO", Verdict(lostOnce),
              static_cast<long long>(dialogs.errors.size()));
  std::printf("all shown after block  : %lld ms\n",
              static_cast<long long>(doneMs - std::max<qint64>(unblockedMs, 0)));
  window.ClosePorts();
  return complete && errorShown && lostOnce ? 0 : 1;
}
