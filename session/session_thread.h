// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "serial/notification_loop.h"
#include "session/loop_host.h"

namespace ferrotap {

class Session;
class SessionOutput;

// A session whose loop runs on a thread of its own: a peer inside the same process, such as the
// demo device beside the window or the far end of a test's virtual cable. The session is made,
// used and destroyed on that thread only.
class SessionThread {
 public:
  SessionThread(const SessionOptions& options, SessionOutput& output);
  // Runs `teardown` as the last call on the thread, then ends the session and the thread.
  ~SessionThread();
  SessionThread(const SessionThread&) = delete;
  SessionThread& operator=(const SessionThread&) = delete;

  using Task = std::function<void(Session& session, LoopHost& host)>;
  // Runs task on the session's thread and waits for it; an exception it throws is thrown here.
  void Call(const Task& task);
  // Runs before the session ends (to drop what holds the session's timers or ports).
  void SetTeardown(Task teardown) { teardown_ = std::move(teardown); }

 private:
  void Run();

  NotificationLoop loop_;
  LoopHost host_;
  std::atomic<bool> stop_{false};
  Session* session_ = nullptr;  // lives on the thread's stack while it runs
  Task teardown_;
  std::thread thread_;
};

}  // namespace ferrotap
