// SPDX-License-Identifier: MIT
#pragma once

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace ferrotap::test {

// Two pseudo-terminals joined like a null-modem cable, as socat joins them: what a program writes
// to one end's device arrives at the other's, and the test reads what went each way. The test
// keeps each device open, so a program closing its end is no hang-up.
class PtyRelay {
 public:
  PtyRelay() {
    for (End& end : ends_) {
      char name[128] = {};
      if (::openpty(&end.master, &end.device, name, nullptr, nullptr) != 0) return;
      termios raw{};
      ::tcgetattr(end.device, &raw);
      ::cfmakeraw(&raw);
      ::tcsetattr(end.device, TCSANOW, &raw);
      end.path = name;
    }
    thread_ = std::thread([this] { Run(); });
  }
  ~PtyRelay() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    for (End& end : ends_) {
      ::close(end.master);
      ::close(end.device);
    }
  }
  PtyRelay(const PtyRelay&) = delete;
  PtyRelay& operator=(const PtyRelay&) = delete;

  bool Ok() const { return !ends_[0].path.empty() && !ends_[1].path.empty(); }
  const std::string& Path(int end) const { return ends_[end].path; }
  // Everything the program on that end has written.
  std::string WrittenAt(int end) {
    std::lock_guard lock(mutex_);
    return ends_[end].written;
  }

 private:
  struct End {
    int master = -1;
    int device = -1;
    std::string path;
    std::string written;
  };

  void Run() {
    while (!stop_) {
      pollfd polls[2] = {{ends_[0].master, POLLIN, 0}, {ends_[1].master, POLLIN, 0}};
      if (::poll(polls, 2, 10) <= 0) continue;
      for (int from = 0; from < 2; ++from) {
        if ((polls[from].revents & POLLIN) == 0) continue;
        char buffer[4096];
        const ssize_t n = ::read(ends_[from].master, buffer, sizeof buffer);
        if (n <= 0) continue;
        {
          std::lock_guard lock(mutex_);
          ends_[from].written.append(buffer, static_cast<std::size_t>(n));
        }
        for (ssize_t done = 0; done < n;) {
          const ssize_t w = ::write(ends_[1 - from].master, buffer + done,
                                    static_cast<std::size_t>(n - done));
          if (w > 0) done += w;
        }
      }
    }
  }

  std::array<End, 2> ends_;
  std::mutex mutex_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace ferrotap::test
