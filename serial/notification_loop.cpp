#include "serial/notification_loop.h"

namespace ferrotap {

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

bool NotificationLoop::TakeRunnable(Item& item) {
  for (auto it = items_.begin(); it != items_.end(); ++it) {
    if (it->busy && *it->busy) continue;
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
    Item item;
    {
      std::unique_lock lock(mutex_);
      if (!queued_.wait_until(lock, deadline, [&] { return TakeRunnable(item); })) return pred();
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
