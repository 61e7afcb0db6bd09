// SPDX-License-Identifier: MIT
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "serial/com_port.h"
#include "serial/notification_loop.h"

namespace ferrotap::bench {

// A pseudo-terminal pair in raw mode; the benchmark plays the peer on the master.
struct PtyPair {
  int master = -1;
  int keepSlave = -1;
  std::string slaveName;
  PtyPair() {
    int slave = -1;
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
      std::perror("openpty");
      std::exit(1);
    }
    termios tio{};
    ::tcgetattr(master, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(master, TCSANOW, &tio);
    // Held open so the master never sees a hang-up while no one else has the slave open.
    keepSlave = slave;
    slaveName = name;
  }
  ~PtyPair() {
    ::close(keepSlave);
    ::close(master);
  }
};

// Runs a ComPort on its own thread, which pumps the notification loop as the UI thread would.
class PortThread {
 public:
  PortThread(const std::string& path, std::function<void(ComPort&)> setUp) {
    ::setenv("FERROTAP_COM1", path.c_str(), 1);
    thread_ = std::thread([this, setUp = std::move(setUp)] {
      ComPort port(loop_.ChannelFactory());
      port.SetComNumber(1);
      port.SetOutSize(65535);
      setUp(port);
      port.SetOpen(true);
      ready_ = true;
      loop_.ProcessUntil([this] { return stop_.load(); }, std::chrono::hours(1));
      port.SetOpen(false);
    });
    while (!ready_) std::this_thread::yield();
  }
  ~PortThread() {
    stop_ = true;
    thread_.join();
  }

 private:
  NotificationLoop loop_;
  std::atomic<bool> ready_{false};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace ferrotap::bench
