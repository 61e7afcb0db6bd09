// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <string>

namespace ferrotap {

// A port's device went away or came back. The data window records it on a line of its own, so
// that a capture saved later shows where data may be missing.
enum class PortEvent { Lost, Back };

// "[2026-12-08 14:23:05.123] Com A lost: <detail>", in local time.
std::string PortEventText(char port, PortEvent event, const std::string& detail,
                          std::chrono::system_clock::time_point when);

}  // namespace ferrotap
