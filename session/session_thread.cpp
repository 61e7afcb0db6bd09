// SPDX-License-Identifier: MIT
#include "session/session_thread.h"

#include <chrono>
#include <future>

#include "session/session.h"

namespace ferrotap {

SessionThread::SessionThread(const SessionOptions& options, SessionOutput& output)
    : host_(loop_, options) {
  std::promise<void> started;
  std::future<void> ready = started.get_future();
  thread_ = std::thread([this, &output, &started] {
    Session session(host_, output);
    session_ = &session;
    started.set_value();
    Run();
    if (teardown_) teardown_(session, host_);
    session.ClosePorts();
    session_ = nullptr;
  });
  ready.wait();
}

SessionThread::~SessionThread() {
  stop_ = true;
  thread_.join();
}

void SessionThread::Run() {
  while (!stop_) loop_.ProcessUntil([this] { return stop_.load(); }, std::chrono::hours(1));
}

void SessionThread::Call(const Task& task) {
  std::promise<void> done;
  std::future<void> result = done.get_future();
  loop_.Post([&] {
    try {
      task(*session_, host_);
      done.set_value();
    } catch (...) {
      done.set_exception(std::current_exception());
    }
  });
  result.get();
}

}  // namespace ferrotap
