// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "core/bytes.h"
#include "core/colors.h"
#include "session/line_stamps.h"
#include "session/session_output.h"

namespace ferrotap {

// The session's text as the output gets it. The decoders write in one selected colour, gathered
// into as few insertions as there are colour changes until Flush; the other writers insert at
// once. It knows the colour the output inserts in now, for text that takes that colour (the
// echo's line break). With time stamps on, every line opens with the read time of its data, in
// the stamps' own colour.
class SessionText {
 public:
  explicit SessionText(SessionOutput& output) : output_(output) {}

  // The decoders' writing.
  void Select(ColorRole role) { selected_ = role; }
  void Write(const Bytes& text);
  // Inserts what was gathered and leaves the selected colour as the output's.
  void Flush();

  // One insertion now, in a role's colour, which stays the output's colour.
  void Show(ColorRole role, const Bytes& text);
  void ShowSystemText(const Bytes& text);
  // One insertion in the colour the output inserts in now.
  void ShowInCurrentColor(const Bytes& text) { Show(current_, text); }
  void SelectOutputColor(ColorRole role);

  // Stamps and the time they show: the read time of the data being shown, else the time of the
  // insertion (steady clock).
  void ConfigureStamps(TimeStampMode mode, const ClockBase& clock) { lines_.Configure(mode, clock); }
  void SetReadTime(std::optional<int64_t> steadyNs) { readNs_ = steadyNs; }
  // Ends the line shown unless it has just ended.
  void BreakLine(ColorRole role, const Bytes& lineBreak);
  // The display was cleared: what comes next starts a line.
  void Cleared() {
    lastBeforeClear_ = lines_.Last();
    lines_.Reset();
  }
  // The clear was undone before any text came: the display ends as it did before it.
  void ClearUndone() { lines_.Resume(lastBeforeClear_); }

  // Gets every piece of text as it is inserted, with its colour (none: the system's text colour)
  // and time; empty for none.
  using Tap = std::function<void(std::optional<ColorRole> role, std::string_view text,
                                 int64_t steadyNs)>;
  void SetTap(Tap tap) { tap_ = std::move(tap); }

 private:
  // One insertion in a role's colour, or in the system's text colour without a role.
  void Emit(std::optional<ColorRole> role, const Bytes& text);

  SessionOutput& output_;
  char lastBeforeClear_ = '\n';
  ColorRole selected_ = ColorRole::PortAData;
  ColorRole bufferColor_ = ColorRole::PortAData;
  ColorRole current_ = ColorRole::PortAData;
  Bytes buffer_;
  LineStamps lines_;
  std::optional<int64_t> readNs_;
  Tap tap_;
};

}  // namespace ferrotap
