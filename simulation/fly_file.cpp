// SPDX-License-Identifier: MIT
#include "simulation/fly_file.h"

namespace ferrotap {

std::string ReadFlyLines(const std::vector<std::string>& lines) {
  return lines.empty() ? std::string() : lines.front();
}

std::vector<std::string> WriteFlyLines(const std::string& text) {
  return {text};
}

}  // namespace ferrotap
