// SPDX-License-Identifier: MIT
// 20 MB written into a pseudo-terminal as fast as it takes them: a ComPort whose handler takes
// every byte, against a bare poll()/read() loop. Every byte is checked for loss and order.
#include <chrono>

#include "bench/serial_bench_support.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kTotal = 20u * 1024 * 1024;

char Pattern(std::size_t i) {
  return static_cast<char>((i * 131 + i / 251) & 0xFF);
}

void Flood(int master) {
  std::string block(65536, '\0');
  std::size_t sent = 0;
  while (sent < kTotal) {
    const std::size_t size = std::min(block.size(), kTotal - sent);
    for (std::size_t i = 0; i < size; ++i) block[i] = Pattern(sent + i);
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(master, block.data() + done, size - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
      } else {
        pollfd p{master, POLLOUT, 0};
        ::poll(&p, 1, 100);
      }
    }
    sent += size;
  }
}

struct Receiver {
  std::atomic<std::size_t> received{0};
  std::atomic<bool> corrupt{false};
  void Take(char byte) {
    const std::size_t at = received.load(std::memory_order_relaxed);
    if (byte != Pattern(at)) corrupt = true;
    received.store(at + 1, std::memory_order_release);
  }
};

double Rate(double seconds) {
  return static_cast<double>(kTotal) / (1024.0 * 1024.0) / seconds;
}

double RunBare() {
  ferrotap::bench::PtyPair pair;
  ::fcntl(pair.master, F_SETFL, ::fcntl(pair.master, F_GETFL) | O_NONBLOCK);
  Receiver receiver;
  std::atomic<bool> ready{false};
  std::thread reader([&] {
    const int fd = ::open(pair.slaveName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    ready = true;
    char buffer[8192];
    while (receiver.received < kTotal) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 1000) <= 0) break;
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      for (ssize_t i = 0; i < n; ++i) receiver.Take(buffer[i]);
    }
    ::close(fd);
  });
  while (!ready) std::this_thread::yield();
  const auto start = Clock::now();
  Flood(pair.master);
  reader.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (receiver.received != kTotal || receiver.corrupt) {
    std::printf("bare loop: %zu of %zu bytes, corrupt=%d\n", receiver.received.load(), kTotal,
                int(receiver.corrupt.load()));
  }
  return Rate(seconds);
}

double RunPort(bool& ok) {
  ferrotap::bench::PtyPair pair;
  ::fcntl(pair.master, F_SETFL, ::fcntl(pair.master, F_GETFL) | O_NONBLOCK);
  Receiver receiver;
  Clock::time_point start;
  {
    ferrotap::bench::PortThread port(pair.slaveName, [&](ferrotap::ComPort& p) {
      p.OnTriggerAvail = [&](ferrotap::ComPort& sender, uint16_t count) {
        for (char byte : sender.ReadString(count)) receiver.Take(byte);
      };
    });
    start = Clock::now();
    Flood(pair.master);
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (receiver.received.load(std::memory_order_acquire) < kTotal && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  ok = receiver.received == kTotal && !receiver.corrupt;
  std::printf("ComPort: %zu of %zu bytes received, %s\n", receiver.received.load(), kTotal,
              receiver.corrupt ? "CORRUPT or reordered" : "in order");
  return Rate(seconds);
}

}  // namespace

int main() {
  const double bare = RunBare();
  bool ok = false;
  const double port = RunPort(ok);
  std::printf("20 MB flood over a pseudo-terminal\n");
  std::printf("bare poll()/read() loop  %8.1f MB/s\n", bare);
  std::printf("ComPort handler          %8.1f MB/s  (%.0f%% of bare, target >= 50%%)\n", port,
              100.0 * port / bare);
  return ok ? 0 : 1;
}
