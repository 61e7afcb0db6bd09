// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock_base.h"
#include "core/time_stamp.h"

namespace ferrotap {

// A piece of the shown text and the stamp that goes before it (empty: none).
struct StampedPiece {
  std::string stamp;
  std::string_view text;
};

// Follows where lines start in the text one display gets, and opens each line with a stamp of
// the time its data was read. CR, LF and CR LF end a line, as in the data window; a line is
// stamped when its first character comes, so a stamp carries the time of the data it opens.
class LineStamps {
 public:
  // Stamps as the options say; a change of mode starts the relative stamps again.
  void Configure(TimeStampMode mode, const ClockBase& clock);
  bool On() const { return mode_ != TimeStampMode::None; }
  // The display ends with a line end, or holds nothing.
  bool AtLineStart() const { return last_ == '\n' || last_ == '\r'; }
  // The display was cleared.
  void Reset() { last_ = '\n'; }
  // The last character shown, to take up again after Reset when the display comes back.
  char Last() const { return last_; }
  void Resume(char last) { last_ = last; }

  // Text shown without stamps.
  void Follow(std::string_view text) {
    if (!text.empty()) last_ = text.back();
  }
  // Cuts text at the starts of lines, stamping each piece that opens a line when stamps are on.
  // The pieces view into `text`.
  std::vector<StampedPiece> Split(std::string_view text, int64_t readNs);

 private:
  TimeStampMode mode_ = TimeStampMode::None;
  ClockBase clock_;
  std::optional<TimeStamper> stamper_;
  char last_ = '\n';
};

}  // namespace ferrotap
