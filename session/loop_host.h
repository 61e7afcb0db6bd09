// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "serial/notification_loop.h"
#include "session/session_host.h"

namespace ferrotap {

// The session's host on a toolkit-free NotificationLoop, for ferrotap-cli and for tests: the
// thread that runs the loop's ProcessUntil plays the loop thread, and the options are a value set
// once (from the command line) or changed between calls.
class LoopHost : public SessionHost {
 public:
  explicit LoopHost(NotificationLoop& loop, SessionOptions options = {});

  void SetOptions(const SessionOptions& options) { options_ = options; }
  SessionOptions Options() const override { return options_; }
  NotificationChannelFactory Channels() override { return loop_.ChannelFactory(); }
  std::unique_ptr<SessionTimer> NewTimer(const std::string& name,
                                         std::function<void()> expired) override;
  void Post(std::function<void()> call) override;

 private:
  NotificationLoop& loop_;
  SessionOptions options_;
};

}  // namespace ferrotap
