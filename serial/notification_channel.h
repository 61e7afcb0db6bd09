// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace ferrotap {

inline constexpr std::chrono::milliseconds kDeliveryBound{3000};
// A handler still running after this long is slow: the dispatcher reads ahead meanwhile.
inline constexpr std::chrono::microseconds kSlowHandler{100};

// One synchronous hand-over from a dispatcher thread to the UI thread. The UI side calls Run; the
// dispatcher waits for it with a bound. A call that was not started when the wait ended (time-out
// or cancel) never runs, so it cannot touch state freed after the wait; the dispatcher then keeps
// what it wanted to tell for a later call.
class PendingCall {
 public:
  explicit PendingCall(std::function<void()> call) : call_(std::move(call)) {}

  // UI thread. Exceptions of the call propagate after the call is marked finished.
  void Run();
  // Dispatcher thread. True when the call has started (and maybe finished) within the bound;
  // false when it never will.
  bool WaitStarted(std::chrono::milliseconds bound);
  // Dispatcher thread. True when the call has finished or was cancelled within the bound; the
  // call is left waiting otherwise.
  bool WaitEnded(std::chrono::microseconds bound);
  void Cancel();

 private:
  enum class State { Pending, Running, Finished, Cancelled };
  std::function<void()> call_;
  std::mutex mutex_;
  std::condition_variable changed_;
  State state_ = State::Pending;
};

// The road from a port's dispatcher to the UI thread. One channel per open port.
class NotificationChannel {
 public:
  virtual ~NotificationChannel() = default;

  // Dispatcher thread: runs call on the UI thread and waits for it, at most kDeliveryBound.
  // False when the call never ran: the UI thread did not start it in time, or the channel was
  // shut. Calls of one channel never overlap. whenSlow, when given, runs on the dispatcher
  // thread once the call has not ended within kSlowHandler.
  bool Deliver(std::function<void()> call, const std::function<void()>& whenSlow = {});
  // Any thread: cancels the waiting call and refuses any later one.
  void Shut();
  // UI thread: runs call on the UI thread later, after the current handler has returned. The call
  // may outlive the channel, so it must check for itself that what it touches still exists.
  virtual void Post(std::function<void()> call) = 0;

 protected:
  // Hands the call to the UI thread; it must run it with PendingCall::Run, one at a time.
  virtual void Enqueue(std::shared_ptr<PendingCall> call) = 0;

 private:
  std::mutex mutex_;
  bool shut_ = false;
  std::shared_ptr<PendingCall> current_;
};

using NotificationChannelFactory = std::function<std::unique_ptr<NotificationChannel>()>;

}  // namespace ferrotap
