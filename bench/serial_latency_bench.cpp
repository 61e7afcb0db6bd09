// SPDX-License-Identifier: MIT
// Round trip over a pseudo-terminal: the peer writes one byte, a ComPort data-available handler
// writes one byte back, the peer reads it. Compared with a bare poll() echo loop in the same run.
#include <algorithm>
#include <chrono>
#include <vector>

#include "bench/serial_bench_support.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRoundTrips = 2000;

std::vector<double> Measure(int master) {
  std::vector<double> micros;
  micros.reserve(kRoundTrips);
  char byte = 'a';
  for (int i = 0; i < kRoundTrips + 50; ++i) {
    const auto start = Clock::now();
    if (::write(master, &byte, 1) != 1) {
      std::perror("write");
      std::exit(1);
    }
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 5000) != 1) {
      std::fprintf(stderr, "no echo\n");
      std::exit(1);
    }
    char back = 0;
    if (::read(master, &back, 1) != 1) {
      std::perror("read");
      std::exit(1);
    }
    const auto elapsed = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    if (i >= 50) micros.push_back(elapsed);  // warm-up excluded
  }
  std::sort(micros.begin(), micros.end());
  return micros;
}

void Report(const char* name, const std::vector<double>& micros) {
  std::printf("%-28s median %8.1f us   p99 %8.1f us   max %8.1f us\n", name,
              micros[micros.size() / 2], micros[micros.size() * 99 / 100], micros.back());
}

}  // namespace

int main() {
  ferrotap::bench::PtyPair bare;
  std::atomic<bool> stop{false};
  std::thread echo([&] {
    const int fd = ::open(bare.slaveName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    char buffer[64];
    while (!stop) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n > 0 && ::write(fd, buffer, n) != n) break;
    }
    ::close(fd);
  });
  const auto bareMicros = Measure(bare.master);
  stop = true;
  echo.join();

  ferrotap::bench::PtyPair pair;
  std::vector<double> portMicros;
  {
    ferrotap::bench::PortThread port(pair.slaveName, [](ferrotap::ComPort& p) {
      p.OnTriggerAvail = [](ferrotap::ComPort& sender, uint16_t count) {
        std::string bytes;
        for (int i = 0; i < count; ++i) bytes.push_back(static_cast<char>(sender.ReadChar()));
        sender.WriteString(bytes);
      };
    });
    portMicros = Measure(pair.master);
  }
  std::printf("%d round trips of one byte over a pseudo-terminal\n", kRoundTrips);
  Report("bare poll() echo", bareMicros);
  Report("ComPort handler echo", portMicros);
  std::printf("median difference %.1f us (target < 300 us); ComPort p99 target < 5000 us\n",
              portMicros[portMicros.size() / 2] - bareMicros[bareMicros.size() / 2]);
  return 0;
}
