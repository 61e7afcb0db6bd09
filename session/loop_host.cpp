// SPDX-License-Identifier: MIT
#include "session/loop_host.h"

#include <chrono>
#include <cstdint>

namespace ferrotap {
namespace {

// Each start posts a call for its deadline; a later start or a stop makes the calls of earlier
// ones void.
class LoopTimer : public SessionTimer {
 public:
  LoopTimer(NotificationLoop& loop, std::function<void()> expired)
      : loop_(loop), state_(std::make_shared<State>()) {
    state_->expired = std::move(expired);
  }
  ~LoopTimer() override { Stop(); }

  void Start(int milliseconds) override {
    const uint64_t start = ++state_->starts;
    loop_.Post(
        [state = state_, start] {
          if (state->starts == start) {
            ++state->starts;
            state->expired();
          }
        },
        std::chrono::milliseconds(milliseconds));
  }
  void Stop() override { ++state_->starts; }

 private:
  struct State {
    std::function<void()> expired;
    uint64_t starts = 0;
  };
  NotificationLoop& loop_;
  std::shared_ptr<State> state_;
};

}  // namespace

LoopHost::LoopHost(NotificationLoop& loop, SessionOptions options)
    : loop_(loop), options_(std::move(options)) {}

std::unique_ptr<SessionTimer> LoopHost::NewTimer(const std::string& /*name*/,
                                                 std::function<void()> expired) {
  return std::make_unique<LoopTimer>(loop_, std::move(expired));
}

void LoopHost::Post(std::function<void()> call) {
  loop_.Post(std::move(call));
}

}  // namespace ferrotap
