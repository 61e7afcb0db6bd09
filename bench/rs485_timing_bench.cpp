// SPDX-License-Identifier: MIT
// How late RTS drops after the last stop bit in the timed RS-485 mode ("RS-485 mode active" with
// the second direction method) of the real main window (offscreen), port A on a paced virtual
// null-modem pair: the pair keeps the time a real line would, so the moment the last stop bit of
// a send leaves the line is known exactly, and the pair stamps the moment RTS falls.
//
// Sends of 1 to 1000 bytes through SendOnPortA at 9600 and 115200 bit/s, 8N1 and 8E2. Prints for
// each the count of early drops (target 0), the median lateness (target < 1 ms), p90, p99 and
// worst. Exit status 0 when the targets are met.
//
//   QT_QPA_PLATFORM=offscreen bench_rs485_timing [sends per case]     (default 40)
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/widgets/editable_combo_box.h"
#include "app/main_window.h"
#include "serial/com_port.h"
#include "app/pages/com_setting_page.h"
#include "app/interval_timer.h"
#include "serial/virtual_serial_device.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kTargetMedianMs = 1.0;
constexpr auto kWaitBound = std::chrono::seconds(5);

struct Case {
  const char* baud;
  const char* parity;
  const char* stopBits;
  const char* name;
};

// Runs the event loop until done() or the bound passes; false on time-out.
template <typename Done>
bool RunUntil(Done done) {
  const auto until = Clock::now() + kWaitBound;
  while (!done()) {
    if (Clock::now() > until) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 1);
  }
  return true;
}

void Drain(ferrotap::VirtualSerialDevice& peer) {
  char buffer[4096];
  while (peer.Read(buffer, sizeof buffer).count > 0) {
  }
}

bool Measure(ferrotap::MainWindow& window, ferrotap::VirtualSerialDevice& peer, const Case& c,
             int sends) {
  ferrotap::ComSettingPage* page = window.ComSetting();
  page->CBBR->SetText(c.baud);
  page->CBDB->SetText("8");
  page->CBPAR->SetText(c.parity);
  page->CBSTOPB->SetText(c.stopBits);
  page->CB485->setChecked(true);
  page->CBOXRS485->setCurrentIndex(1);
  window.ClosePorts();
  window.ApplyPortSettings();
  if (!window.CP1->Open() || peer.PeerRts()) {
    std::fprintf(stderr, "port A not open with RTS low (%s)\n", c.name);
    return false;
  }
  peer.ApplyLine(peer.PeerLine());

  std::vector<double> lateMs;
  int early = 0;
  for (int i = 0; i < sends; ++i) {
    // 337 is prime to 1000: the lengths spread over 1 to 1000.
    const std::size_t length = 1 + static_cast<std::size_t>(i) * 337 % 1000;
    const auto fallBefore = peer.PeerRtsFall();
    window.SendOnPortA(ferrotap::Bytes(length, static_cast<char>('A' + i % 26)));
    if (!RunUntil([&] { return peer.PeerRtsFall() != fallBefore && !peer.PeerRts(); })) {
      std::fprintf(stderr, "RTS did not drop (%s, send %d, %zu bytes)\n", c.name, i, length);
      return false;
    }
    const double late =
        std::chrono::duration<double, std::milli>(peer.PeerRtsFall() - peer.PeerLineFree()).count();
    if (late < 0) ++early;
    lateMs.push_back(late);
    RunUntil([&] { return !window.TIMER485->Enabled(); });
    Drain(peer);
  }
  std::sort(lateMs.begin(), lateMs.end());
  const auto at = [&](double p) {
    return lateMs[static_cast<std::size_t>(p * (lateMs.size() - 1))];
  };
  const double median = at(0.5);
  const bool met = early == 0 && median < kTargetMedianMs;
  std::printf(
      "%-12s samples %3zu  early %2d (target 0)  median %6.3f ms (target < %.0f)  p90 %6.3f  "
      "p99 %6.3f  worst %6.3f ms  %s\n",
      c.name, lateMs.size(), early, median, kTargetMedianMs, at(0.9), at(0.99), lateMs.back(),
      met ? "met" : "MISSED");
  return met;
}

}  // namespace

int main(int argc, char* argv[]) {
  const int sends = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
  const std::string cable = "virtual:rs485bench:";
  setenv("FERROTAP_COM1", (cable + "a").c_str(), 1);
  auto peer = ferrotap::VirtualSerialDevice::Open(cable + "b:paced");

  ferrotap::Application app(argc, argv);
  QTemporaryDir exeDir;
  ferrotap::MainWindow window(exeDir.path() + "/");
  window.show();

  std::printf("RTS drop after the last stop bit, %d sends of 1 to 1000 bytes per case\n", sends);
  const Case cases[] = {{"9600", "None", "1", "9600 8N1"},
                        {"9600", "Even", "2", "9600 8E2"},
                        {"115200", "None", "1", "115200 8N1"},
                        {"115200", "Even", "2", "115200 8E2"}};
  bool met = true;
  for (const Case& c : cases) met = Measure(window, *peer, c, sends) && met;
  window.ClosePorts();
  return met ? 0 : 1;
}
