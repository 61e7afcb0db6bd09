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

void GapBuffer::Read(std::size_t pos, std::size_t len, char* out) const {
  const char* data = block_.Data();
  const std::size_t i = begin_ + pos;
  const std::size_t before = i < gapStart_ ? std::min(len, gapStart_ - i) : 0;
  if (before > 0) std::memcpy(out, data + i, before);
  if (len > before) std::memcpy(out + before, data + i + before + GapSize(), len - before);
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

void GapBuffer::EraseFront(std::size_t len) {
  if (gapStart_ < begin_ + len) MoveGap(len);
  begin_ += len;
  const std::size_t page = MappedBlock::PageBytes();
  const std::size_t drop = std::min(begin_, gapStart_) / page * page;
  if (drop == 0) return;
  block_.DropFront(drop);
  begin_ -= drop;
  gapStart_ -= drop;
  gapEnd_ -= drop;
}

void GapBuffer::Clear() {
  block_.Release();
  begin_ = gapStart_ = gapEnd_ = 0;
}

void GapBuffer::MoveGap(std::size_t pos) {
  char* data = block_.Data();
  const std::size_t at = begin_ + pos;
  if (at < gapStart_) {
    const std::size_t n = gapStart_ - at;
    std::memmove(data + gapEnd_ - n, data + at, n);
    gapStart_ -= n;
    gapEnd_ -= n;
  } else if (at > gapStart_) {
    const std::size_t n = at - gapStart_;
    std::memmove(data + gapStart_, data + gapEnd_, n);
    gapStart_ += n;
    gapEnd_ += n;
  }
}

void GapBuffer::Reserve(std::size_t extra) {
  if (GapSize() >= extra) return;
  const std::size_t oldCapacity = block_.Capacity();
  const std::size_t tail = oldCapacity - gapEnd_;
  block_.Grow(std::max({oldCapacity * 2, begin_ + Size() + extra, kMinCapacity}));
  const std::size_t capacity = block_.Capacity();
  if (tail > 0) std::memmove(block_.Data() + capacity - tail, block_.Data() + gapEnd_, tail);
  gapEnd_ = capacity - tail;
}

std::string TextModel::Slice(std::size_t pos, std::size_t len) const {
  std::string out;
  Read(pos, len, out);
  return out;
}

void TextModel::Read(std::size_t pos, std::size_t len, std::string& out) const {
  out.resize(len);
  const std::size_t stored = pos < base_ ? std::min(len, base_ - pos) : 0;
  if (stored > 0) store_->Read(pos, stored, out.data());
  if (len > stored) text_.Read(pos + stored - base_, len - stored, out.data() + stored);
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
  std::size_t start = HasSelection() ? SelectionStart() : caret_;
  if (start < base_ && !CanUnspill(start)) {
    // Too far back to bring into memory: the text goes to the end, where nothing is replaced.
    caret_ = anchor_ = start = Length();
  }
  if (start < base_) Unspill(start);
  if (HasSelection()) {
    EraseRange(start, SelectionEnd() - start);
    caret_ = start;
  }
  InsertAt(caret_, text);
  caret_ += text.size();
  anchor_ = caret_;
  AfterEdit(start);
}

void TextModel::DeleteSelection() {
  if (!HasSelection()) return;
  const std::size_t start = SelectionStart();
  if (start < base_ && !CanUnspill(start)) return;
  if (start < base_) Unspill(start);
  EraseRange(start, SelectionEnd() - start);
  caret_ = anchor_ = start;
  AfterEdit(start);
}

void TextModel::Clear() {
  text_.Clear();
  runs_.Clear();
  lineStarts_.Clear();
  store_.reset();
  base_ = 0;
  storeFailed_ = false;
  storeProblem_.clear();
  caret_ = anchor_ = 0;
}

ColorRunView TextModel::Run(std::size_t index) const {
  const std::size_t stored = StoreRuns();
  if (index < stored) {
    const std::size_t p = store_->PageOfRun(index);
    const SpillStore::Page& page = store_->PageAt(p);
    const SpillStore::Loaded& loaded = store_->Load(p);
    const std::size_t i = index - page.firstRun;
    const std::size_t end = i + 1 < loaded.runs.size() ? loaded.runs[i + 1].offset : page.length;
    return {page.start + loaded.runs[i].offset, end - loaded.runs[i].offset, loaded.runs[i].color};
  }
  index -= stored;
  const auto entry = runs_.At(index);
  const std::size_t end = index + 1 < runs_.Size() ? runs_.At(index + 1).pos : Length();
  return {entry.pos, end - entry.pos, entry.value};
}

std::size_t TextModel::RunIndexAt(std::size_t pos) const {
  if (pos >= base_) return StoreRuns() + runs_.UpperBound(pos) - 1;
  const std::size_t p = store_->PageOf(pos);
  const SpillStore::Page& page = store_->PageAt(p);
  const auto& runs = store_->Load(p).runs;
  const auto offset = static_cast<uint32_t>(pos - page.start);
  const auto after = std::upper_bound(runs.begin(), runs.end(), offset,
                                      [](uint32_t v, const SpilledRun& r) { return v < r.offset; });
  return page.firstRun + static_cast<std::size_t>(after - runs.begin()) - 1;
}

std::vector<ColorRunView> TextModel::Runs() const {
  std::vector<ColorRunView> runs;
  const std::size_t count = RunCount();
  for (std::size_t i = 0; i < count; ++i) {
    const ColorRunView run = Run(i);
    if (!runs.empty() && runs.back().color == run.color) {
      runs.back().length += run.length;
    } else {
      runs.push_back(run);
    }
  }
  return runs;
}

std::size_t TextModel::LineStart(std::size_t line) const {
  if (line == 0) return 0;
  const std::size_t n = line - 1;
  const std::size_t stored = StoreLines();
  if (n >= stored) return lineStarts_.At(n - stored).pos;
  const std::size_t p = store_->PageOfLineStart(n);
  return store_->Load(p).lineStarts[n - store_->PageAt(p).firstLine];
}

std::size_t TextModel::LineOf(std::size_t pos) const {
  if (pos >= base_) return StoreLines() + lineStarts_.UpperBound(pos);
  const std::size_t p = store_->PageOf(pos);
  const auto& starts = store_->Load(p).lineStarts;
  return store_->PageAt(p).firstLine +
         static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), pos) - starts.begin());
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
  text_.Insert(pos - base_, text);
  InsertLines(pos, text);
}

void TextModel::EraseRange(std::size_t pos, std::size_t len) {
  if (len == 0) return;
  EraseRuns(pos, pos + len);
  text_.Erase(pos - base_, len);
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
  if (IsMemoryLineStart(pos)) lineStarts_.InsertAtGap({pos, {}});
  // Rendered captures hold few line ends: look for them with memchr rather than byte by byte,
  // keeping the next CR and the next LF so that each byte is looked at once.
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* cr = FindOrEnd(begin, end, '\r');
  const char* lf = FindOrEnd(begin, end, '\n');
  for (const char* p = std::min(cr, lf); p != end; p = std::min(cr, lf)) {
    const std::size_t next = pos + static_cast<std::size_t>(p - begin) + 1;
    if (IsMemoryLineStart(next)) lineStarts_.InsertAtGap({next, {}});
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
  if (IsMemoryLineStart(a)) lineStarts_.InsertAtGap({a, {}});
}

}  // namespace ferrotap
