// SPDX-License-Identifier: MIT
#include "session/session_text.h"

namespace ferrotap {

void SessionText::Write(const Bytes& text) {
  if (text.empty()) return;
  if (!buffer_.empty() && bufferColor_ != selected_) Flush();
  bufferColor_ = selected_;
  buffer_ += text;
}

void SessionText::Flush() {
  if (!buffer_.empty()) {
    Emit(bufferColor_, buffer_);
    buffer_.clear();
  }
  SelectOutputColor(selected_);
}

void SessionText::Show(ColorRole role, const Bytes& text) {
  if (!buffer_.empty()) Flush();
  Emit(role, text);
  current_ = role;
}

void SessionText::ShowSystemText(const Bytes& text) {
  if (!buffer_.empty()) Flush();
  Emit(std::nullopt, text);
}

void SessionText::SelectOutputColor(ColorRole role) {
  output_.SelectColor(role);
  current_ = role;
}

void SessionText::BreakLine(ColorRole role, const Bytes& lineBreak) {
  if (!buffer_.empty()) Flush();
  if (!lines_.AtLineStart()) Show(role, lineBreak);
}

void SessionText::Emit(std::optional<ColorRole> role, const Bytes& text) {
  const int64_t timeNs = readNs_ ? *readNs_ : SteadyNowNs();
  const auto show = [&](std::optional<ColorRole> pieceRole, const Bytes& piece) {
    if (pieceRole) {
      output_.Show(*pieceRole, piece);
    } else {
      output_.ShowSystemText(piece);
    }
    if (tap_) tap_(pieceRole, piece, timeNs);
  };
  if (!lines_.On()) {
    lines_.Follow(text);
    show(role, text);
    return;
  }
  for (const StampedPiece& piece : lines_.Split(text, timeNs)) {
    if (!piece.stamp.empty()) show(ColorRole::TimeStamp, piece.stamp);
    show(role, Bytes(piece.text));
  }
}

}  // namespace ferrotap
