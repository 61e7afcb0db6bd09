// SPDX-License-Identifier: MIT
#include "core/port_event.h"

#include <cstdio>
#include <ctime>

namespace ferrotap {

std::string PortEventText(char port, PortEvent event, const std::string& detail,
                          std::chrono::system_clock::time_point when) {
  using std::chrono::system_clock;
  const auto whole = std::chrono::floor<std::chrono::seconds>(when);
  const std::time_t seconds =
      system_clock::to_time_t(std::chrono::time_point_cast<system_clock::duration>(whole));
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(when - whole).count();
  std::tm local{};
  localtime_r(&seconds, &local);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "[%04d-%02d-%02d %02d:%02d:%02d.%03d] ", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(millis));
  return stamp + std::string("Com ") + port +
         (event == PortEvent::Lost ? " lost: " : " is back: ") + detail;
}

}  // namespace ferrotap
