// SPDX-License-Identifier: MIT
#pragma once

#include "core/bytes.h"
#include "core/colors.h"
#include "session/session_output.h"

namespace ferrotap {

// The session's text as the output gets it. The decoders write in one selected colour, gathered
// into as few insertions as there are colour changes until Flush; the other writers insert at
// once. It knows the colour the output inserts in now, for text that takes that colour (the
// echo's line break).
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

 private:
  SessionOutput& output_;
  ColorRole selected_ = ColorRole::PortAData;
  ColorRole bufferColor_ = ColorRole::PortAData;
  ColorRole current_ = ColorRole::PortAData;
  Bytes buffer_;
};

}  // namespace ferrotap
