// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "serial/notification_channel.h"

namespace ferrotap {

// A toolkit-free UI loop: notifications of the channels it makes run on whichever thread calls
// ProcessUntil, which then plays the UI thread (tests, benchmarks). It must outlive its channels'
// ports.
class NotificationLoop {
 public:
  NotificationChannelFactory ChannelFactory();

  // Runs queued calls until pred() holds or the bound passes; returns pred(). pred is looked at
  // after every call and every 2 ms.
  bool ProcessUntil(const std::function<bool()>& pred, std::chrono::milliseconds bound);

  // Any thread: runs call on the loop thread once `delay` has passed, after the calls queued
  // before it that are due.
  void Post(std::function<void()> call, std::chrono::milliseconds delay = {});

 private:
  class Channel;
  struct Item {
    std::shared_ptr<bool> busy;  // the owning channel is inside a call
    std::function<void()> call;
    std::chrono::steady_clock::time_point due{};  // runs no earlier
  };

  void Push(Item item);
  // Takes the first due item whose channel is not busy; false when none.
  bool TakeRunnable(Item& item);

  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<Item> items_;
};

}  // namespace ferrotap
