// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "serial/notification_channel.h"
#include "session/session_options.h"

namespace ferrotap {

// A one-shot timer on the host's loop thread.
class SessionTimer {
 public:
  virtual ~SessionTimer() = default;
  // Calls the timer's handler once, milliseconds from now; starting a running timer arms it
  // again.
  virtual void Start(int milliseconds) = 0;
  virtual void Stop() = 0;
};

// What the front-end's event loop gives the session. Every call of the session, and every handler
// the host runs for it, happens on the one loop thread.
class SessionHost {
 public:
  virtual ~SessionHost() = default;

  // The options in force now, read from the controls or the command line.
  virtual SessionOptions Options() const = 0;
  // Makes the channels that carry the ports' notifications to the loop thread.
  virtual NotificationChannelFactory Channels() = 0;
  // A timer whose handler runs on the loop thread. `name` says which: "Timer1" delays the slave's
  // SYNC, "TIMER485" ends a timed RS-485 send, "FileRetry" looks again at a waiting file send.
  virtual std::unique_ptr<SessionTimer> NewTimer(const std::string& name,
                                                 std::function<void()> expired) = 0;
  // Any thread: runs call on the loop thread later, after the current handler has returned.
  virtual void Post(std::function<void()> call) = 0;
};

}  // namespace ferrotap
