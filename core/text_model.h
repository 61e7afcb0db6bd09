// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/colors.h"
#include "core/mapped_block.h"

namespace ferrotap {

// One stretch of text in one colour, as read back from the data window.
struct ColorRunView {
  std::size_t start = 0;
  std::size_t length = 0;
  Color color = kSysWindowTextColor;
};

// Sorted positions with a payload, kept as a gap: entries before the gap hold absolute positions,
// entries behind it hold positions minus a shared offset. Shifting everything behind the gap is
// then one addition, so an edit costs the distance the gap moves, not the number of entries.
template <typename Payload>
class PositionIndex {
 public:
  struct Entry {
    std::size_t pos = 0;
    [[no_unique_address]] Payload value{};
  };

  std::size_t Size() const { return front_.size() + back_.size(); }
  std::size_t GapIndex() const { return front_.size(); }

  Entry At(std::size_t i) const {
    if (i < front_.size()) return front_[i];
    Entry e = back_[back_.size() - 1 - (i - front_.size())];
    e.pos += shift_;
    return e;
  }

  // First index whose position is >= pos (LowerBound) or > pos (UpperBound).
  std::size_t LowerBound(std::size_t pos) const { return Bound(pos, false); }
  std::size_t UpperBound(std::size_t pos) const { return Bound(pos, true); }

  void MoveGap(std::size_t index) {
    while (front_.size() > index) {
      Entry e = front_.back();
      front_.pop_back();
      e.pos -= shift_;
      back_.push_back(e);
    }
    while (front_.size() < index) {
      Entry e = back_.back();
      back_.pop_back();
      e.pos += shift_;
      front_.push_back(e);
    }
  }

  // Adds delta to every position behind the gap (unsigned wrap-around makes negative deltas work).
  void ShiftTail(std::size_t delta) { shift_ += delta; }
  // The new entry must sort between the entries around the gap; the gap moves behind it.
  void InsertAtGap(Entry e) { front_.push_back(e); }
  void PopBeforeGap() { front_.pop_back(); }
  void PopAfterGap() { back_.pop_back(); }
  void Clear() {
    front_.clear();
    back_.clear();
    front_.shrink_to_fit();
    back_.shrink_to_fit();
    shift_ = 0;
  }
  std::size_t MemoryBytes() const { return (front_.capacity() + back_.capacity()) * sizeof(Entry); }

 private:
  std::size_t Bound(std::size_t pos, bool upper) const {
    std::size_t lo = 0;
    std::size_t hi = Size();
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      const std::size_t p = At(mid).pos;
      if (upper ? p <= pos : p < pos) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    return lo;
  }

  std::vector<Entry> front_;
  std::vector<Entry> back_;  // reversed: the entry next to the gap is back_.back()
  std::size_t shift_ = 0;
};

// Bytes with a movable gap at the last edit. The block grows by remapping its pages, so a gap at
// the end (the usual case: text appended) costs no copy of the text.
class GapBuffer {
 public:

  std::size_t Size() const { return block_.Capacity() - GapSize(); }
  char At(std::size_t pos) const {
    return block_.Data()[pos < gapStart_ ? pos : pos + GapSize()];
  }
  void Read(std::size_t pos, std::size_t len, std::string& out) const;
  void Insert(std::size_t pos, std::string_view text);
  void Erase(std::size_t pos, std::size_t len);
  void Clear();
  std::size_t Capacity() const { return block_.Capacity(); }

 private:
  std::size_t GapSize() const { return gapEnd_ - gapStart_; }
  void MoveGap(std::size_t pos);
  void Reserve(std::size_t extra);

  MappedBlock block_;
  std::size_t gapStart_ = 0;
  std::size_t gapEnd_ = 0;
};

// The data window's content without any toolkit: Latin-1 bytes, colour runs, caret, selection and
// the start of every line. CR, LF and CR LF each end a line. Edits cost in proportion to the text
// they insert or remove plus the distance from the previous edit.
class TextModel {
 public:
  std::size_t Length() const { return text_.Size(); }
  char At(std::size_t pos) const { return text_.At(pos); }
  std::string Text() const { return Slice(0, Length()); }
  std::string Slice(std::size_t pos, std::size_t len) const;
  void Read(std::size_t pos, std::size_t len, std::string& out) const { text_.Read(pos, len, out); }

  std::size_t Caret() const { return caret_; }
  std::size_t Anchor() const { return anchor_; }
  bool HasSelection() const { return caret_ != anchor_; }
  std::size_t SelectionStart() const { return caret_ < anchor_ ? caret_ : anchor_; }
  std::size_t SelectionEnd() const { return caret_ < anchor_ ? anchor_ : caret_; }
  std::string SelectedText() const;
  // Positions are clamped to the text; a caret between CR and LF moves behind the LF.
  void SetCaret(std::size_t pos, bool keepAnchor = false);
  void Select(std::size_t anchor, std::size_t caret);

  void SetInsertColor(Color color) { insertColor_ = color; }
  Color InsertColor() const { return insertColor_; }
  // Replaces the selection with text in the insertion colour; the caret ends behind it.
  void InsertAtCaret(std::string_view text);
  void DeleteSelection();
  void Clear();

  std::size_t RunCount() const { return runs_.Size(); }
  ColorRunView Run(std::size_t index) const;
  // Index of the run holding the byte at pos (pos < Length()).
  std::size_t RunIndexAt(std::size_t pos) const { return runs_.UpperBound(pos) - 1; }
  std::vector<ColorRunView> Runs() const;

  std::size_t LineCount() const { return lineStarts_.Size() + 1; }
  std::size_t LineStart(std::size_t line) const {
    return line == 0 ? 0 : lineStarts_.At(line - 1).pos;
  }
  // End of the line's characters, before its CR, LF or CR LF.
  std::size_t LineEnd(std::size_t line) const;
  std::size_t LineOf(std::size_t pos) const { return lineStarts_.UpperBound(pos); }
  bool IsInsideCrLf(std::size_t pos) const {
    return pos > 0 && pos < Length() && At(pos - 1) == '\r' && At(pos) == '\n';
  }

  std::size_t MemoryBytes() const {
    return text_.Capacity() + runs_.MemoryBytes() + lineStarts_.MemoryBytes();
  }

 private:
  struct NoPayload {};

  bool IsLineStart(std::size_t pos) const;
  void EraseRange(std::size_t pos, std::size_t len);
  void InsertAt(std::size_t pos, std::string_view text);
  void EraseRuns(std::size_t a, std::size_t b);
  void InsertRun(std::size_t pos, std::size_t len);
  void EraseLines(std::size_t a, std::size_t b);
  void InsertLines(std::size_t pos, std::string_view text);
  std::size_t ClampCaret(std::size_t pos) const;

  GapBuffer text_;
  PositionIndex<Color> runs_;  // start of each run; the first starts at 0 while there is text
  PositionIndex<NoPayload> lineStarts_;  // start of every line but the first
  std::size_t caret_ = 0;
  std::size_t anchor_ = 0;
  Color insertColor_ = kSysWindowTextColor;
};

}  // namespace ferrotap
