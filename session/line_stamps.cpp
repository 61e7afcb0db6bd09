// SPDX-License-Identifier: MIT
#include "session/line_stamps.h"

namespace ferrotap {

void LineStamps::Configure(TimeStampMode mode, const ClockBase& clock) {
  if (mode == mode_ && clock == clock_ && stamper_) return;
  mode_ = mode;
  clock_ = clock;
  stamper_.emplace(mode, clock);
}

std::vector<StampedPiece> LineStamps::Split(std::string_view text, int64_t readNs) {
  std::vector<StampedPiece> pieces;
  if (text.empty()) return pieces;
  if (!On()) {
    Follow(text);
    pieces.push_back({{}, text});
    return pieces;
  }
  std::size_t start = 0;
  std::string stamp;
  char previous = last_;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (previous == '\n' || (previous == '\r' && text[i] != '\n')) {
      if (i > start) pieces.push_back({std::move(stamp), text.substr(start, i - start)});
      stamp = stamper_->Stamp(readNs) + " ";
      start = i;
    }
    previous = text[i];
  }
  pieces.push_back({std::move(stamp), text.substr(start)});
  last_ = previous;
  return pieces;
}

}  // namespace ferrotap
