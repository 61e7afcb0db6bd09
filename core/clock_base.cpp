// SPDX-License-Identifier: MIT
#include "core/clock_base.h"

#include <chrono>

namespace ferrotap {

ClockBase ClockBase::Now() {
  using namespace std::chrono;
  ClockBase base;
  base.steadyNs = duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
  base.wallNs = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
  return base;
}

int64_t SteadyNowNs() {
  using namespace std::chrono;
  return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace ferrotap
