// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace ferrotap {

inline constexpr int64_t kTickMs = 55;
inline constexpr int64_t kMaxTimerTicks = 39045157;

enum StatusTriggerKind : uint8_t {
  stModemStatus = 1,
  stLineStatus = 2,
  stOutputFree = 3,
  stOutputUsed = 4,
  stOutputSent = 5,
};

// Milliseconds of the monotonic clock divided by the tick.
int64_t NowTicks();

// What the status conditions look at, sampled by the dispatcher.
struct StatusInputs {
  uint8_t modemStatus = 0;
  uint8_t lineErrors = 0;
  std::size_t outputFree = 0;
  std::size_t outputUsed = 0;
  bool outputSent = false;
};

struct StatusHit {
  uint16_t handle;
  uint8_t kind;
  uint16_t value;  // the trigger's value before it fired
};

// The timer and status triggers of one open port. Not locked: the dispatcher's trigger lock
// guards it.
class TriggerTable {
 public:
  struct TimerTrigger {
    uint16_t handle = 0;
    int64_t start = 0;
    int64_t expiry = 0;
    int64_t length = 0;
    bool active = false;
  };
  struct StatusTrigger {
    uint16_t handle = 0;
    uint8_t kind = 0;
    uint16_t value = 0;
    uint8_t snapshot = 0;
    bool active = false;
    bool hit = false;
  };

  // Handle numbering starts afresh.
  void Reset();

  uint16_t NewTimerTrigger();
  void ArmTimerTrigger(uint16_t handle, uint32_t ticks, bool activate, int64_t nowTicks);
  uint16_t NewStatusTrigger(uint8_t kind);
  void ArmStatusTrigger(uint16_t handle, uint16_t value, bool activate, uint8_t modemStatus);
  void RemoveTrigger(uint16_t handle);
  bool IsStatusTrigger(uint16_t handle) const;

  // One pass of each check; the trigger that fires becomes inactive.
  std::optional<StatusHit> CheckStatus(const StatusInputs& inputs);
  std::optional<uint16_t> CheckTimers(int64_t nowTicks);
  void ClearHits();
  // A firing whose notification never reached the UI: the trigger is armed again as it was, so
  // the next pass fires it again. One that is active again was re-armed meanwhile and is left.
  void Unfire(const StatusHit& hit);
  void UnfireTimer(uint16_t handle);

 private:
  uint16_t NextBase();
  TimerTrigger* FindTimer(uint16_t handle);
  StatusTrigger* FindStatus(uint16_t handle);

  uint32_t counter_ = 1;
  std::vector<TimerTrigger> timers_;
  std::vector<StatusTrigger> statuses_;
};

}  // namespace ferrotap
