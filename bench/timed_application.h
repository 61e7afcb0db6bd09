// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QEvent>
#include <QString>

#include "app/application.h"

namespace ferrotap::bench {

// Times every event delivered from the event loop itself (nested deliveries belong to the
// outer one).
class TimedApplication : public ferrotap::Application {
 public:
  using ferrotap::Application::Application;
  bool notify(QObject* receiver, QEvent* event) override {
    if (depth_++ > 0 || !clock_.isValid()) {
      const bool handled = ferrotap::Application::notify(receiver, event);
      --depth_;
      return handled;
    }
    const qint64 start = clock_.nsecsElapsed();
    const QEvent::Type type = event->type();
    const QString name = receiver->objectName().isEmpty()
                             ? QString::fromLatin1(receiver->metaObject()->className())
                             : receiver->objectName();
    const bool handled = ferrotap::Application::notify(receiver, event);
    const qint64 took = clock_.nsecsElapsed() - start;
    busyNs_ += took;
    if (took > longestEventNs_) {
      longestEventNs_ = took;
      longestEvent_ = QString("%1 to %2").arg(static_cast<int>(type)).arg(name);
    }
    --depth_;
    return handled;
  }
  void StartTiming() {
    longestEventNs_ = 0;
    busyNs_ = 0;
    clock_.start();
  }
  void StopTiming() { clock_.invalidate(); }
  qint64 LongestEventNs() const { return longestEventNs_; }
  // Time spent in events since StartTiming.
  qint64 BusyNs() const { return busyNs_; }
  // Event type number and receiver of the longest event.
  const QString& LongestEvent() const { return longestEvent_; }

 private:
  QElapsedTimer clock_;
  qint64 longestEventNs_ = 0;
  qint64 busyNs_ = 0;
  QString longestEvent_;
  int depth_ = 0;
};

}  // namespace ferrotap::bench
