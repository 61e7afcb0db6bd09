// SPDX-License-Identifier: MIT
#include "serial/notification_loop.h"

#include <algorithm>
#include <optional>

namespace ferrotap {
namespace {

constexpr auto kRecheck = std::chrono::milliseconds(2);

}  // namespace

class NotificationLoop::Channel : public NotificationChannel {
 public:
  explicit Channel(NotificationLoop& loop) : loop_(loop) {}

  void Post(std::function<void()> call) override { loop_.Push({nullptr, std::move(call)}); }

 protected:
  void Enqueue(std::shared_ptr<PendingCall> call) override {
    loop_.Push({busy_, [call] { call->Run(); }});
  }

 private:
  NotificationLoop& loop_;
  std::shared_ptr<bool> busy_ = std::make_shared<bool>(false);
};

NotificationChannelFactory NotificationLoop::ChannelFactory() {
  return [this] { return std::make_unique<Channel>(*this); };
}

void NotificationLoop::Push(Item item) {
  std::lock_guard lock(mutex_);
  items_.push_back(std::move(item));
  queued_.notify_all();
}

void NotificationLoop::Post(std::function<void()> call, std::chrono::milliseconds delay) {
  Item item{nullptr, std::move(call)};
  if (delay.count() > 0) item.due = std::chrono::steady_clock::now() + delay;
  Push(std::move(item));
}

bool NotificationLoop::TakeRunnable(Item& item) {
  std::optional<std::chrono::steady_clock::time_point> now;
  for (auto it = items_.begin(); it != items_.end(); ++it) {
    if (it->busy && *it->busy) continue;
    if (it->due != std::chrono::steady_clock::time_point{}) {
      if (!now) now = std::chrono::steady_clock::now();
      if (it->due > *now) continue;
    }
    item = std::move(*it);
    items_.erase(it);
    return true;
  }
  return false;
}

bool NotificationLoop::ProcessUntil(const std::function<bool()>& pred,
                                    std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  for (;;) {
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return pred();
    Item item;
    {
      // pred may depend on more than this loop's calls, so it is looked at every few ms.
      std::unique_lock lock(mutex_);
      const auto slice = std::min(deadline, std::chrono::steady_clock::now() + kRecheck);
      if (!queued_.wait_until(lock, slice, [&] { return TakeRunnable(item); })) continue;
    }
    // busy is only touched on this (the UI) thread.
    if (item.busy) *item.busy = true;
    struct Idle {
      std::shared_ptr<bool> busy;
      ~Idle() {
        if (busy) *busy = false;
      }
    } idle{item.busy};
    item.call();
  }
}

}  // namespace ferrotap
