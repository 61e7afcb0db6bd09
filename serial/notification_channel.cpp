// SPDX-License-Identifier: MIT
#include "serial/notification_channel.h"

namespace ferrotap {

void PendingCall::Run() {
  {
    std::lock_guard lock(mutex_);
    if (state_ != State::Pending) return;
    state_ = State::Running;
  }
  struct Finish {
    PendingCall* self;
    ~Finish() {
      std::lock_guard lock(self->mutex_);
      self->state_ = State::Finished;
      self->changed_.notify_all();
    }
  } finish{this};
  call_();
}

bool PendingCall::WaitStarted(std::chrono::milliseconds bound) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, bound,
                    [this] { return state_ == State::Finished || state_ == State::Cancelled; });
  if (state_ == State::Pending) state_ = State::Cancelled;
  return state_ != State::Cancelled;
}

bool PendingCall::WaitEnded(std::chrono::microseconds bound) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(
      lock, bound, [this] { return state_ == State::Finished || state_ == State::Cancelled; });
}

void PendingCall::Cancel() {
  std::lock_guard lock(mutex_);
  if (state_ == State::Pending) {
    state_ = State::Cancelled;
    changed_.notify_all();
  }
}

bool NotificationChannel::Deliver(std::function<void()> call,
                                  const std::function<void()>& whenSlow) {
  auto pending = std::make_shared<PendingCall>(std::move(call));
  {
    std::lock_guard lock(mutex_);
    if (shut_) return false;
    current_ = pending;
  }
  Enqueue(pending);
  if (whenSlow && !pending->WaitEnded(kSlowHandler)) whenSlow();
  const bool started = pending->WaitStarted(kDeliveryBound);
  std::lock_guard lock(mutex_);
  current_.reset();
  return started;
}

void NotificationChannel::Shut() {
  std::lock_guard lock(mutex_);
  shut_ = true;
  if (current_) current_->Cancel();
}

}  // namespace ferrotap
