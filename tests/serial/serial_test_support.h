// SPDX-License-Identifier: MIT
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

#include "serial/notification_loop.h"

namespace ferrotap::test {

inline constexpr std::chrono::milliseconds kEventBound{5000};

// Maps FERROTAP_COM<n> to a device path for the life of the object.
class ComEnv {
 public:
  ComEnv(int number, const std::string& path) : name_("FERROTAP_COM" + std::to_string(number)) {
    ::setenv(name_.c_str(), path.c_str(), 1);
  }
  ~ComEnv() { ::unsetenv(name_.c_str()); }

 private:
  std::string name_;
};

// A pseudo-terminal: the program opens the slave by name, the test drives the master.
class Pty {
 public:
  Pty() {
    char name[128] = {};
    int slave = -1;
    if (::openpty(&master_, &slave, name, nullptr, nullptr) == 0) {
      ::close(slave);
      slaveName_ = name;
      ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
  }
  ~Pty() { CloseMaster(); }
  bool Ok() const { return !slaveName_.empty(); }
  const std::string& SlaveName() const { return slaveName_; }
  int Master() const { return master_; }
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }
  void Write(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
      } else {
        pollfd p{master_, POLLOUT, 0};
        ::poll(&p, 1, 100);
      }
    }
  }
  // Reads what is there now.
  std::string ReadSome() {
    std::string out;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(master_, buffer, sizeof buffer)) > 0) out.append(buffer, n);
    return out;
  }

 private:
  int master_ = -1;
  std::string slaveName_;
};

inline bool Pump(NotificationLoop& loop, const std::function<bool()>& pred,
                 std::chrono::milliseconds bound = kEventBound) {
  return loop.ProcessUntil(pred, bound);
}

}  // namespace ferrotap::test
