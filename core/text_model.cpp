// SPDX-License-Identifier: MIT
#include "core/text_model.h"

#include <algorithm>
#include <cstring>

namespace ferrotap {

namespace {

constexpr std::size_t kMinCapacity = 4096;

const char* FindOrEnd(const char* from, const char* end, char c) {
  const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
  return found == nullptr ? end : static_cast<const char*>(found);
}

}  // namespace

void GapBuffer::Read(std::size_t pos, std::size_t len, std::string& out) const {
  const char* data = block_.Data();
  out.resize(len);
  const std::size_t before = pos < gapStart_ ? std::min(len, gapStart_ - pos) : 0;
  if (before > 0) std::memcpy(out.data(), data + pos, before);
  if (len > before) std::memcpy(out.data() + before, data + pos + before + GapSize(), len - before);
}

void GapBuffer::Insert(std::size_t pos, std::string_view text) {
  if (text.empty()) return;
  Reserve(text.size());
  MoveGap(pos);
  std::memcpy(block_.Data() + gapStart_, text.data(), text.size());
  gapStart_ += text.size();
}

void GapBuffer::Erase(std::size_t pos, std::size_t len) {
  MoveGap(pos);
  gapEnd_ += len;
}

void GapBuffer::Clear() {
  block_.Release();
  gapStart_ = gapEnd_ = 0;
}

void GapBuffer::MoveGap(std::size_t pos) {
  char* data = block_.Data();
  if (pos < gapStart_) {
    const std::size_t n = gapStart_ - pos;
    std::memmove(data + gapEnd_ - n, data + pos, n);
    gapStart_ -= n;
    gapEnd_ -= n;
  } else if (pos > gapStart_) {
    const std::size_t n = pos - gapStart_;
    std::memmove(data + gapStart_, data + gapEnd_, n);
    gapStart_ += n;
    gapEnd_ += n;
  }
}

void GapBuffer::Reserve(std::size_t extra) {
  if (GapSize() >= extra) return;
  const std::size_t oldCapacity = block_.Capacity();
  const std::size_t tail = oldCapacity - gapEnd_;
  block_.Grow(std::max({oldCapacity * 2, Size() + extra, kMinCapacity}));
  const std::size_t capacity = block_.Capacity();
  if (tail > 0) std::memmove(block_.Data() + capacity - tail, block_.Data() + gapEnd_, tail);
  gapEnd_ = capacity - tail;
}

std::string TextModel::Slice(std::size_t pos, std::size_t len) const {
  std::string out;
  text_.Read(pos, len, out);
  return out;
}

std::string TextModel::SelectedText() const {
  return Slice(SelectionStart(), SelectionEnd() - SelectionStart());
}

std::size_t TextModel::ClampCaret(std::size_t pos) const {
  pos = std::min(pos, Length());
  return IsInsideCrLf(pos) ? pos + 1 : pos;
}

void TextModel::SetCaret(std::size_t pos, bool keepAnchor) {
  caret_ = ClampCaret(pos);
  if (!keepAnchor) anchor_ = caret_;
}

void TextModel::Select(std::size_t anchor, std::size_t caret) {
  anchor_ = ClampCaret(anchor);
  caret_ = ClampCaret(caret);
}

void TextModel::InsertAtCaret(std::string_view text) {
  if (HasSelection()) {
    const std::size_t start = SelectionStart();
    EraseRange(start, SelectionEnd() - start);
    caret_ = start;
  }
  InsertAt(caret_, text);
  caret_ += text.size();
  anchor_ = caret_;
}

void TextModel::DeleteSelection() {
  if (!HasSelection()) return;
  const std::size_t start = SelectionStart();
  EraseRange(start, SelectionEnd() - start);
  caret_ = anchor_ = start;
}

void TextModel::Clear() {
  text_.Clear();
  runs_.Clear();
  lineStarts_.Clear();
  caret_ = anchor_ = 0;
}

ColorRunView TextModel::Run(std::size_t index) const {
  const auto entry = runs_.At(index);
  const std::size_t end = index + 1 < runs_.Size() ? runs_.At(index + 1).pos : Length();
  return {entry.pos, end - entry.pos, entry.value};
}

std::vector<ColorRunView> TextModel::Runs() const {
  std::vector<ColorRunView> runs;
  runs.reserve(runs_.Size());
  for (std::size_t i = 0; i < runs_.Size(); ++i) runs.push_back(Run(i));
  return runs;
}

std::size_t TextModel::LineEnd(std::size_t line) const {
  if (line + 1 >= LineCount()) return Length();
  const std::size_t next = LineStart(line + 1);
  return next >= 2 && At(next - 2) == '\r' && At(next - 1) == '\n' ? next - 2 : next - 1;
}

bool TextModel::IsLineStart(std::size_t pos) const {
  if (pos == 0 || pos > Length()) return false;
  const char before = At(pos - 1);
  if (before == '\n') return true;
  return before == '\r' && (pos == Length() || At(pos) != '\n');
}

void TextModel::InsertAt(std::size_t pos, std::string_view text) {
  if (text.empty()) return;
  InsertRun(pos, text.size());
  text_.Insert(pos, text);
  InsertLines(pos, text);
}

void TextModel::EraseRange(std::size_t pos, std::size_t len) {
  if (len == 0) return;
  EraseRuns(pos, pos + len);
  text_.Erase(pos, len);
  EraseLines(pos, pos + len);
}

// Called before the text is inserted: Length() is still the old length.
void TextModel::InsertRun(std::size_t pos, std::size_t len) {
  const Color color = insertColor_;
  runs_.MoveGap(runs_.LowerBound(pos));
  runs_.ShiftTail(len);
  const std::size_t gap = runs_.GapIndex();
  const bool hasPrev = gap > 0;
  const Color prevColor = hasPrev ? runs_.At(gap - 1).value : color;
  const bool hasNext = gap < runs_.Size();
  const bool atBoundary = pos == Length() || (hasNext && runs_.At(gap).pos == pos + len);
  if (!atBoundary) {
    // Strictly inside the previous run: split it unless the colour is the same.
    if (prevColor != color) {
      runs_.InsertAtGap({pos, color});
      runs_.InsertAtGap({pos + len, prevColor});
    }
    return;
  }
  if (hasPrev && prevColor == color) return;
  if (hasNext && runs_.At(gap).value == color) {
    runs_.PopAfterGap();
  }
  runs_.InsertAtGap({pos, color});
}

// Called before the text is erased: Length() is still the old length.
void TextModel::EraseRuns(std::size_t a, std::size_t b) {
  if (b >= Length()) {
    const std::size_t first = runs_.LowerBound(a);
    runs_.MoveGap(first);
    while (runs_.Size() > first) runs_.PopAfterGap();
    return;
  }
  const std::size_t behind = runs_.UpperBound(b);
  const Color colorAtB = runs_.At(behind - 1).value;
  runs_.MoveGap(behind);
  while (runs_.GapIndex() > 0 && runs_.At(runs_.GapIndex() - 1).pos >= a) runs_.PopBeforeGap();
  runs_.ShiftTail(a - b);
  const std::size_t gap = runs_.GapIndex();
  if (gap == 0 || runs_.At(gap - 1).value != colorAtB) runs_.InsertAtGap({a, colorAtB});
}

// Called after the text is inserted. Whether a position starts a line depends on the bytes before
// and at it, so only the old start at pos and the inserted span need a look.
void TextModel::InsertLines(std::size_t pos, std::string_view text) {
  lineStarts_.MoveGap(lineStarts_.UpperBound(pos));
  const std::size_t gap = lineStarts_.GapIndex();
  if (gap > 0 && lineStarts_.At(gap - 1).pos == pos) lineStarts_.PopBeforeGap();
  lineStarts_.ShiftTail(text.size());
  if (IsLineStart(pos)) lineStarts_.InsertAtGap({pos, {}});
  // Rendered captures hold few line ends: look for them with memchr rather than byte by byte,
  // keeping the next CR and the next LF so that each byte is looked at once.
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* cr = FindOrEnd(begin, end, '\r');
  const char* lf = FindOrEnd(begin, end, '\n');
  for (const char* p = std::min(cr, lf); p != end; p = std::min(cr, lf)) {
    const std::size_t next = pos + static_cast<std::size_t>(p - begin) + 1;
    if (IsLineStart(next)) lineStarts_.InsertAtGap({next, {}});
    if (p == cr) {
      cr = FindOrEnd(p + 1, end, '\r');
    } else {
      lf = FindOrEnd(p + 1, end, '\n');
    }
  }
}

// Called after the text is erased; a and b are the erased span's old bounds.
void TextModel::EraseLines(std::size_t a, std::size_t b) {
  lineStarts_.MoveGap(lineStarts_.UpperBound(b));
  while (lineStarts_.GapIndex() > 0 && lineStarts_.At(lineStarts_.GapIndex() - 1).pos >= a) {
    lineStarts_.PopBeforeGap();
  }
  lineStarts_.ShiftTail(a - b);
  if (IsLineStart(a)) lineStarts_.InsertAtGap({a, {}});
}

}  // namespace ferrotap
