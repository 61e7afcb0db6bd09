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
    output_.Show(bufferColor_, buffer_);
    buffer_.clear();
  }
  SelectOutputColor(selected_);
}

void SessionText::Show(ColorRole role, const Bytes& text) {
  if (!buffer_.empty()) Flush();
  output_.Show(role, text);
  current_ = role;
}

void SessionText::ShowSystemText(const Bytes& text) {
  if (!buffer_.empty()) Flush();
  output_.ShowSystemText(text);
}

void SessionText::SelectOutputColor(ColorRole role) {
  output_.SelectColor(role);
  current_ = role;
}

}  // namespace ferrotap
