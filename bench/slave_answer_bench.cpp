// SPDX-License-Identifier: MIT
// The real main window as slave of the protocol on port A, mapped to a pseudo-terminal; the peer
// plays master and sends 1000 queries one after another, acknowledging each answer. Measured at
// the peer, from the moment the query's last byte was written: when the slave's ACK arrived and
// when the answer's last byte arrived. Beside it, in the same run, a bare loop on another
// pseudo-terminal that reads a query and writes the same ACK and answer back, and ferrotap-cli
// playing the same slave from a .pst file. Targets for the window: answer median < 0.5 ms, p99
// < 5 ms; for ferrotap-cli: answer median within 0.05 ms of the bare loop's, p99 < 1 ms; for
// both, no lost or malformed answer. Exit status 0 when they are met.
//
//   QT_QPA_PLATFORM=offscreen bench_slave_answer [queries]     (default 1000)
#include <QCheckBox>
#include <QEventLoop>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app/main_window.h"
#include "app/pages/terminal_page.h"
#include "bench/cli_process.h"
#include "bench/recording_dialogs.h"
#include "bench/serial_bench_support.h"
#include "app/pages/simulation_table_page.h"
#include "serial/key_value.h"
#include "simulation/pst_file.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kTargetMedianMs = 0.5;
constexpr double kTargetP99Ms = 5.0;
constexpr double kCliTargetOverBareMs = 0.05;
constexpr double kCliTargetP99Ms = 1.0;
// Command 5 with the query data "Q"; the answer carries command 50 (nibbles swapped) and "AB".
const std::string kQuery = "\x02\x01\x03\x05\x51\x5A";
const std::string kAnswer = "\x02\x01\x04\x50\x41\x42\xD8";
const char kAck = 0x06;

struct Exchange {
  double ackMs = -1;
  double answerMs = -1;
  bool good = false;
};

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// Reads up to `count` bytes into `into`, waiting at most 1 s for each.
bool ReadBytes(int fd, std::size_t count, std::string& into) {
  while (into.size() < count) {
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, 1000) <= 0) return false;
    char buffer[64];
    const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, count - into.size()));
    if (n <= 0) return false;
    into.append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

// The master's side: query, wait for ACK and the answer, acknowledge it.
std::vector<Exchange> PlayMaster(int fd, int queries) {
  std::vector<Exchange> exchanges;
  for (int i = 0; i < queries; ++i) {
    Exchange e;
    if (::write(fd, kQuery.data(), kQuery.size()) != static_cast<ssize_t>(kQuery.size())) break;
    const Clock::time_point sent = Clock::now();
    std::string ack;
    if (ReadBytes(fd, 1, ack)) e.ackMs = Ms(Clock::now() - sent);
    std::string answer;
    if (ReadBytes(fd, kAnswer.size(), answer)) e.answerMs = Ms(Clock::now() - sent);
    e.good = ack == std::string(1, kAck) && answer == kAnswer;
    exchanges.push_back(e);
    if (::write(fd, &kAck, 1) != 1) break;
    // The slave takes the master's ACK before the next query, as a real master waits.
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return exchanges;
}

// The least a slave can do: read a query, write ACK and the answer, read the master's ACK.
void PlayBareSlave(int fd, int queries) {
  for (int i = 0; i < queries; ++i) {
    std::string query;
    if (!ReadBytes(fd, kQuery.size(), query)) return;
    const std::string reply = std::string(1, kAck) + kAnswer;
    if (::write(fd, reply.data(), reply.size()) != static_cast<ssize_t>(reply.size())) return;
    std::string ack;
    if (!ReadBytes(fd, 1, ack)) return;
  }
}

struct Figures {
  double median = 0;
  double p99 = 0;
  double worst = 0;
};

Figures Summarize(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  const auto at = [&](double q) {
    return values[std::min(values.size() - 1, static_cast<std::size_t>(q * values.size()))];
  };
  return {at(0.5), at(0.99), values.back()};
}

// The answers' figures and how many were good.
Figures Answers(const std::vector<Exchange>& exchanges, int& good) {
  std::vector<double> answers;
  good = 0;
  for (const Exchange& e : exchanges) {
    if (e.answerMs >= 0) answers.push_back(e.answerMs);
    if (e.good) ++good;
  }
  return Summarize(answers);
}

void Print(const char* name, const std::vector<Exchange>& exchanges, int queries) {
  std::vector<double> acks;
  std::vector<double> answers;
  int good = 0;
  for (const Exchange& e : exchanges) {
    if (e.ackMs >= 0) acks.push_back(e.ackMs);
    if (e.answerMs >= 0) answers.push_back(e.answerMs);
    if (e.good) ++good;
  }
  const Figures a = Summarize(acks);
  const Figures b = Summarize(answers);
  std::printf("%-8s good answers %4d of %d\n", name, good, queries);
  std::printf("%-8s ACK     median %7.3f ms  p99 %7.3f ms  worst %7.3f ms\n", name, a.median, a.p99,
              a.worst);
  std::printf("%-8s answer  median %7.3f ms  p99 %7.3f ms  worst %7.3f ms\n", name, b.median, b.p99,
              b.worst);
}

}  // namespace

int main(int argc, char* argv[]) {
  const int queries = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
  ferrotap::bench::PtyPair windowLine;
  setenv("FERROTAP_COM1", windowLine.slaveName.c_str(), 1);

  ferrotap::Application app(argc, argv);
  QTemporaryDir exeDir;
  ferrotap::bench::RecordingDialogs dialogs;
  ferrotap::MainWindow window(exeDir.path() + "/", &dialogs);
  window.show();
  ferrotap::TerminalPage& terminal = *window.Terminal();
  terminal.CBDECPROT->setChecked(true);
  terminal.RBSIMSLAVE->setChecked(true);
  QTableWidget* grid = window.TabSheet4->SGPS;
  grid->item(6, 1)->setText("Q");
  grid->item(6, 2)->setText("AB");
  window.TabSheet4->BBSIMAPPLY->setEnabled(true);
  window.TabSheet4->BBSIMAPPLY->click();
  QEventLoop settle;
  QTimer::singleShot(200, &settle, &QEventLoop::quit);
  settle.exec();

  std::vector<Exchange> windowed;
  QEventLoop running;
  std::thread master([&] {
    windowed = PlayMaster(windowLine.master, queries);
    QMetaObject::invokeMethod(&running, &QEventLoop::quit, Qt::QueuedConnection);
  });
  running.exec();
  master.join();

  ferrotap::bench::PtyPair bareLine;
  const int bareSlave = ::open(bareLine.slaveName.c_str(), O_RDWR | O_NOCTTY);
  termios tio{};
  ::tcgetattr(bareSlave, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(bareSlave, TCSANOW, &tio);
  std::thread slave([&] { PlayBareSlave(bareSlave, queries); });
  const std::vector<Exchange> bare = PlayMaster(bareLine.master, queries);
  slave.join();
  ::close(bareSlave);

  // ferrotap-cli as the same slave: the window's default protocol and command 5's row.
  ferrotap::SimulationRows rows;
  rows[5] = {"Q", "AB", ""};
  const std::string pst = (exeDir.path() + "/bench.pst").toStdString();
  ferrotap::WriteTextLines(pst, ferrotap::WritePstLines(rows));
  ferrotap::bench::PtyPair cliLine;
  std::vector<Exchange> cli;
  {
    ferrotap::bench::CliProcess slaveCli({"slave", "-a", cliLine.slaveName, "--pst", pst},
                                         "/dev/null");
    if (slaveCli.WaitFor("slave on")) {
      cli = PlayMaster(cliLine.master, queries);
    } else {
      std::printf("ferrotap-cli did not start: %s\n", slaveCli.Said().c_str());
    }
  }

  for (const QString& error : dialogs.errors) std::printf("error shown: %s\n", qPrintable(error));
  Print("window", windowed, queries);
  Print("cli", cli, queries);
  Print("bare", bare, queries);
  int good = 0;
  const Figures f = Answers(windowed, good);
  const bool met = good == queries && f.median < kTargetMedianMs && f.p99 < kTargetP99Ms;
  std::printf("targets: window answer median < %.1f ms, p99 < %.0f ms, every answer good: %s\n",
              kTargetMedianMs, kTargetP99Ms, met ? "met" : "MISSED");
  int bareGood = 0;
  const Figures b = Answers(bare, bareGood);
  int cliGood = 0;
  const Figures c = Answers(cli, cliGood);
  const bool cliMet = cliGood == queries && c.median - b.median < kCliTargetOverBareMs &&
                      c.p99 < kCliTargetP99Ms;
  std::printf("targets: cli answer median within %.2f ms of bare (%+.3f ms), p99 < %.0f ms, every "
              "answer good: %s\n",
              kCliTargetOverBareMs, c.median - b.median, kCliTargetP99Ms,
              cliMet ? "met" : "MISSED");
  return met && cliMet ? 0 : 1;
}
