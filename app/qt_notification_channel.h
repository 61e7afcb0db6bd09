// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QPointer>
#include <deque>
#include <memory>

#include "serial/notification_channel.h"

namespace ferrotap {

// Delivers a port's notifications on the Qt UI thread through queued calls. The channel must be
// made on the UI thread. Calls of one channel never overlap, even when a handler runs a nested
// event loop: a call that arrives meanwhile waits for the running one to return.
class QtNotificationChannel : public NotificationChannel {
 public:
  QtNotificationChannel();
  ~QtNotificationChannel() override;

  static NotificationChannelFactory Factory();

  void Post(std::function<void()> call) override;

 protected:
  void Enqueue(std::shared_ptr<PendingCall> call) override;

 private:
  struct Queue {
    std::mutex mutex;
    std::deque<std::shared_ptr<PendingCall>> calls;
    bool running = false;  // UI thread only
  };
  static void Drain(const std::shared_ptr<Queue>& queue, QObject* context);

  // Queued calls die with it, so none reaches a destroyed channel.
  std::unique_ptr<QObject> context_;
  std::shared_ptr<Queue> queue_;
};

}  // namespace ferrotap
