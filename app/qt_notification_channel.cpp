// SPDX-License-Identifier: MIT
#include "app/qt_notification_channel.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace ferrotap {

QtNotificationChannel::QtNotificationChannel()
    : context_(std::make_unique<QObject>()), queue_(std::make_shared<Queue>()) {}

QtNotificationChannel::~QtNotificationChannel() {
  Shut();
  std::lock_guard lock(queue_->mutex);
  for (auto& call : queue_->calls) call->Cancel();
  queue_->calls.clear();
}

NotificationChannelFactory QtNotificationChannel::Factory() {
  return [] { return std::make_unique<QtNotificationChannel>(); };
}

void QtNotificationChannel::Post(std::function<void()> call) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
}

void QtNotificationChannel::Enqueue(std::shared_ptr<PendingCall> call) {
  {
    std::lock_guard lock(queue_->mutex);
    queue_->calls.push_back(std::move(call));
  }
  QObject* context = context_.get();
  QMetaObject::invokeMethod(
      context, [queue = queue_, context] { Drain(queue, context); }, Qt::QueuedConnection);
}

void QtNotificationChannel::Drain(const std::shared_ptr<Queue>& queue, QObject* context) {
  if (queue->running) return;
  queue->running = true;
  struct Idle {
    Queue* queue;
    QObject* context;
    std::shared_ptr<Queue> keep;
    ~Idle() {
      queue->running = false;
      // A handler that threw leaves the rest for a later turn of the event loop.
      std::lock_guard lock(queue->mutex);
      if (!queue->calls.empty()) {
        QMetaObject::invokeMethod(
            context, [q = keep, context = context] { Drain(q, context); }, Qt::QueuedConnection);
      }
    }
  } idle{queue.get(), context, queue};
  for (;;) {
    std::shared_ptr<PendingCall> call;
    {
      std::lock_guard lock(queue->mutex);
      if (queue->calls.empty()) return;
      call = std::move(queue->calls.front());
      queue->calls.pop_front();
    }
    call->Run();
  }
}

}  // namespace ferrotap
