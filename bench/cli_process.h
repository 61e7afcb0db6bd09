// SPDX-License-Identifier: MIT
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace ferrotap::bench {

// ferrotap-cli run as a child: its standard output into a file (/dev/null), its standard error
// read by the benchmark to know when the port is open.
class CliProcess {
 public:
  CliProcess(const std::vector<std::string>& args, const std::string& outFile) {
    int errPipe[2];
    if (::pipe(errPipe) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(FERROTAP_CLI));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, FERROTAP_CLI, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(errPipe[1]);
    err_ = errPipe[0];
  }
  ~CliProcess() {
    Stop();
    ::close(err_);
  }

  // Waits (at most 5 s) until the standard error holds `text`.
  bool WaitFor(const std::string& text) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (said_.find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > end) return false;
      pollfd p{err_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char buffer[512];
      const ssize_t n = ::read(err_, buffer, sizeof buffer);
      if (n <= 0) return false;
      said_.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
  }
  const std::string& Said() const { return said_; }
  // The processor time the program used, user and system, once stopped.
  double CpuSeconds() const { return cpuSeconds_; }

  // Ctrl-C, then the exit status (-1 when it did not end normally).
  int Stop() {
    if (pid_ <= 0) return status_;
    ::kill(pid_, SIGINT);
    int status = 0;
    rusage usage{};
    ::wait4(pid_, &status, 0, &usage);
    cpuSeconds_ = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    pid_ = -1;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return status_;
  }

 private:
  pid_t pid_ = -1;
  int err_ = -1;
  int status_ = -1;
  double cpuSeconds_ = 0;
  std::string said_;
};

}  // namespace ferrotap::bench
