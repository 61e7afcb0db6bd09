// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/colors.h"
#include "core/mapped_block.h"
#include "core/spill_store.h"

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
  // The new entry must sort before every entry.
  void PushFront(Entry e) {
    if (front_.empty() && !back_.empty()) {
      e.pos -= shift_;
      back_.push_back(e);
    } else {
      front_.push_front(e);
    }
  }
  // Forgets every entry whose position is below pos.
  void DropBefore(std::size_t pos) {
    MoveGap(std::max(GapIndex(), LowerBound(pos)));
    while (!front_.empty() && front_.front().pos < pos) front_.pop_front();
  }
  void PopAfterGap() { back_.pop_back(); }
  void Clear() {
    front_.clear();
    back_.clear();
    front_.shrink_to_fit();
    back_.shrink_to_fit();
    shift_ = 0;
  }
  std::size_t MemoryBytes() const { return (front_.size() + back_.capacity()) * sizeof(Entry); }

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

  std::deque<Entry> front_;  // a deque: spilling the oldest text drops entries at its front
  std::vector<Entry> back_;  // reversed: the entry next to the gap is back_.back()
  std::size_t shift_ = 0;
};

// Bytes with a movable gap at the last edit. The block grows by remapping its pages, so a gap at
// the end (the usual case: text appended) costs no copy of the text.
// The content starts begin_ bytes into the block: dropping the oldest text gives whole pages back
// and never moves the rest.
class GapBuffer {
 public:
  std::size_t Size() const { return block_.Capacity() - begin_ - GapSize(); }
  char At(std::size_t pos) const {
    const std::size_t i = begin_ + pos;
    return block_.Data()[i < gapStart_ ? i : i + GapSize()];
  }
  void Read(std::size_t pos, std::size_t len, char* out) const;
  void Insert(std::size_t pos, std::string_view text);
  void Erase(std::size_t pos, std::size_t len);
  void EraseFront(std::size_t len);
  void Clear();
  std::size_t Capacity() const { return block_.Capacity(); }

 private:
  std::size_t GapSize() const { return gapEnd_ - gapStart_; }
  void MoveGap(std::size_t pos);
  void Reserve(std::size_t extra);

  MappedBlock block_;
  std::size_t begin_ = 0;
  std::size_t gapStart_ = 0;
  std::size_t gapEnd_ = 0;
};

// How much of the text stays in memory. Beyond memoryBytes the oldest text goes, in pages of
// pageBytes, to a store in `folder`; when that cannot be written, the text stays in memory up to
// hardBytes, and beyond it the oldest is dropped with a line saying so.
struct TextStoreLimits {
  static constexpr std::size_t kUnlimited = static_cast<std::size_t>(-1);
  std::size_t memoryBytes = kUnlimited;
  std::size_t hardBytes = kUnlimited;
  // Small enough that writing one out stays well below a frame.
  std::size_t pageBytes = std::size_t{1} << 20;
  std::string folder;  // empty: nothing is stored
};

// The data window's content without any toolkit: Latin-1 bytes, colour runs, caret, selection and
// the start of every line. CR, LF and CR LF each end a line. Edits cost in proportion to the text
// they insert or remove plus the distance from the previous edit.
//
// Text before base_ lives in the spill store; the rest in memory, indexed by absolute positions.
// An edit before base_ brings the pages from there on back into memory first: text is appended at
// the end almost always, so that is rare. Where that would pass the hard limit, inserted text goes
// to the end instead and a deletion is not done.
class TextModel {
 public:
  TextModel() = default;
  explicit TextModel(TextStoreLimits limits) : limits_(std::move(limits)) {}
  TextModel(const TextModel&) = delete;
  TextModel& operator=(const TextModel&) = delete;

  const TextStoreLimits& Limits() const { return limits_; }
  // Where a store made from now on goes; a store already made stays where it is.
  void SetStoreFolder(const std::string& folder) { limits_.folder = folder; }
  std::size_t Length() const { return base_ + text_.Size(); }
  char At(std::size_t pos) const { return pos < base_ ? store_->At(pos) : text_.At(pos - base_); }
  std::string Text() const { return Slice(0, Length()); }
  std::string Slice(std::size_t pos, std::size_t len) const;
  void Read(std::size_t pos, std::size_t len, std::string& out) const;
  // Bytes in the store and in memory, and the text dropped for want of room.
  std::size_t StoredLength() const { return base_; }
  std::size_t MemoryLength() const { return text_.Size(); }
  std::size_t DroppedBytes() const { return dropped_; }
  // Why the store could not be used, once: empty afterwards, and until then when all is well.
  std::string TakeStoreProblem() { return std::exchange(storeProblem_, {}); }

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

  // Runs as kept: a run may be cut in two where a stored page ends.
  std::size_t RunCount() const { return StoreRuns() + runs_.Size(); }
  ColorRunView Run(std::size_t index) const;
  // Index of the run holding the byte at pos (pos < Length()).
  std::size_t RunIndexAt(std::size_t pos) const;
  // Runs as read back: neighbours of one colour joined.
  std::vector<ColorRunView> Runs() const;

  std::size_t LineCount() const { return StoreLines() + lineStarts_.Size() + 1; }
  std::size_t LineStart(std::size_t line) const;
  // End of the line's characters, before its CR, LF or CR LF.
  std::size_t LineEnd(std::size_t line) const;
  std::size_t LineOf(std::size_t pos) const;
  bool IsInsideCrLf(std::size_t pos) const {
    return pos > 0 && pos < Length() && At(pos - 1) == '\r' && At(pos) == '\n';
  }

  std::size_t MemoryBytes() const {
    return text_.Capacity() + runs_.MemoryBytes() + lineStarts_.MemoryBytes() +
           (store_ ? store_->MemoryBytes() : 0);
  }

 private:
  struct NoPayload {};

  std::size_t StoreRuns() const { return store_ ? store_->RunCount() : 0; }
  std::size_t StoreLines() const { return store_ ? store_->LineStarts() : 0; }
  bool IsLineStart(std::size_t pos) const;
  // Line starts at or before base_ are the store's.
  bool IsMemoryLineStart(std::size_t pos) const { return pos > base_ && IsLineStart(pos); }
  void AfterEdit(std::size_t pos);
  // Whether the text from pos's page on fits in memory below the hard limit.
  bool CanUnspill(std::size_t pos) const {
    return Length() - store_->PageAt(store_->PageOf(pos)).start <= limits_.hardBytes;
  }
  void Unspill(std::size_t pos);
  bool SpillPage();
  void DropOldest();
  void StoreFailed(const std::string& reason);
  void EraseRange(std::size_t pos, std::size_t len);
  void InsertAt(std::size_t pos, std::string_view text);
  void EraseRuns(std::size_t a, std::size_t b);
  void InsertRun(std::size_t pos, std::size_t len);
  void EraseLines(std::size_t a, std::size_t b);
  void InsertLines(std::size_t pos, std::string_view text);
  std::size_t ClampCaret(std::size_t pos) const;

  TextStoreLimits limits_;
  std::unique_ptr<SpillStore> store_;
  std::size_t base_ = 0;
  bool storeFailed_ = false;
  std::string storeProblem_;
  std::size_t dropped_ = 0;
  GapBuffer text_;
  PositionIndex<Color> runs_;  // start of each run from base_; the first at base_ while there is text
  PositionIndex<NoPayload> lineStarts_;  // start of every line behind base_
  std::size_t caret_ = 0;
  std::size_t anchor_ = 0;
  Color insertColor_ = kSysWindowTextColor;
};

}  // namespace ferrotap
