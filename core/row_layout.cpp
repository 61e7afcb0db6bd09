// SPDX-License-Identifier: MIT
#include "core/row_layout.h"

#include <algorithm>

namespace ferrotap {

std::size_t RowBreak(const TextModel& model, std::size_t start, std::size_t lineEnd,
                     std::size_t columns) {
  if (lineEnd - start <= columns) return lineEnd;
  for (std::size_t end = start + columns; end > start + 1; --end) {
    if (model.At(end - 1) == ' ') return end;
  }
  return start + columns;
}

namespace {
constexpr std::size_t kLaidBlocks = 6;
}  // namespace

std::size_t NextRowStart(const TextModel& model, std::size_t pos, std::size_t columns,
                         std::size_t none) {
  const std::size_t line = model.LineOf(pos);
  const std::size_t lineEnd = model.LineEnd(line);
  if (pos < lineEnd) {
    const std::size_t next = RowBreak(model, pos, lineEnd, columns);
    if (next < lineEnd) return next;
  }
  return line + 1 < model.LineCount() ? model.LineStart(line + 1) : none;
}

const std::vector<std::size_t>& RowLayout::Block(std::size_t block) const {
  if (block + 1 == blockStarts_.size()) return last_;
  for (auto it = laid_.begin(); it != laid_.end(); ++it) {
    if (it->block == block) {
      laid_.splice(laid_.begin(), laid_, it);
      return laid_.front().starts;
    }
  }
  Laid laid{block, {}};
  laid.starts.reserve(kBlockRows);
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  for (std::size_t pos = blockStarts_[block]; laid.starts.size() < kBlockRows && pos != kNone;
       pos = NextRowStart(*model_, pos, columns_, kNone)) {
    laid.starts.push_back(pos);
  }
  laid_.push_front(std::move(laid));
  if (laid_.size() > kLaidBlocks) laid_.pop_back();
  return laid_.front().starts;
}

void RowLayout::Push(std::size_t start) {
  if (count_ % kBlockRows == 0) {
    // The block just filled is what the view shows next to the new one: kept laid out, it need
    // not be laid out again at the next paint.
    if (!blockStarts_.empty()) {
      laid_.push_front({blockStarts_.size() - 1, std::move(last_)});
      if (laid_.size() > kLaidBlocks) laid_.pop_back();
    }
    blockStarts_.push_back(start);
    last_.clear();
  }
  last_.push_back(start);
  ++count_;
}

void RowLayout::Truncate(std::size_t rows) {
  if (rows >= count_) return;
  const std::size_t blocks = (rows + kBlockRows - 1) / kBlockRows;
  if (blocks == 0) {
    blockStarts_.clear();
    last_.clear();
  } else if (blocks < blockStarts_.size()) {
    std::vector<std::size_t> kept = Block(blocks - 1);
    last_ = std::move(kept);
    blockStarts_.resize(blocks);
  }
  last_.resize(rows - (blocks == 0 ? 0 : (blocks - 1) * kBlockRows));
  laid_.remove_if([blocks](const Laid& l) { return l.block + 1 >= blocks; });
  count_ = rows;
}

std::size_t RowLayout::LowerBound(std::size_t pos) const {
  const auto block = std::lower_bound(blockStarts_.begin(), blockStarts_.end(), pos);
  if (block == blockStarts_.begin()) return 0;
  const auto b = static_cast<std::size_t>(block - blockStarts_.begin()) - 1;
  const std::vector<std::size_t>& starts = Block(b);
  return b * kBlockRows +
         static_cast<std::size_t>(std::lower_bound(starts.begin(), starts.end(), pos) - starts.begin());
}

void RowLayout::Invalidate(std::size_t pos) {
  current_ = false;
  if (count_ == 0) return;
  // A row's end depends on at most columns + 1 characters from its start (the +1 for an LF
  // joining a CR), so a row starting that far before the edit keeps its end, and the next row
  // keeps its start.
  const std::size_t reach = columns_ + 1;
  const std::size_t safe = pos > reach ? pos - reach : 0;
  Truncate(LowerBound(safe) + 1);
}

void RowLayout::Update(const TextModel& model, std::size_t columns) {
  if (model_ != &model) {
    model_ = &model;
    Truncate(0);
  }
  if (columns != columns_) {
    columns_ = columns;
    Truncate(0);
    current_ = false;
  }
  if (current_) return;
  std::size_t pos = 0;
  if (count_ > 0) {
    pos = last_.back();
    Truncate(count_ - 1);
  }
  const std::size_t lines = model.LineCount();
  for (std::size_t line = model.LineOf(pos);;) {
    const std::size_t lineEnd = model.LineEnd(line);
    for (;;) {
      Push(pos);
      if (pos >= lineEnd) break;
      pos = RowBreak(model, pos, lineEnd, columns);
      if (pos >= lineEnd) break;
    }
    if (++line >= lines) break;
    pos = model.LineStart(line);
  }
  current_ = true;
}

std::size_t RowLayout::End(const TextModel& model, std::size_t row) const {
  const std::size_t start = Start(row);
  const std::size_t lineEnd = model.LineEnd(model.LineOf(start));
  return row + 1 < count_ ? std::min(Start(row + 1), lineEnd) : lineEnd;
}

bool RowLayout::EndsLine(const TextModel& model, std::size_t row) const {
  const std::size_t start = Start(row);
  return row + 1 >= count_ || Start(row + 1) > model.LineEnd(model.LineOf(start));
}

std::size_t RowLayout::RowOf(std::size_t pos) const {
  const auto block = std::upper_bound(blockStarts_.begin(), blockStarts_.end(), pos);
  if (block == blockStarts_.begin()) return 0;
  const auto b = static_cast<std::size_t>(block - blockStarts_.begin()) - 1;
  const std::vector<std::size_t>& starts = Block(b);
  const auto after = std::upper_bound(starts.begin(), starts.end(), pos);
  return b * kBlockRows + static_cast<std::size_t>(after - starts.begin()) - 1;
}

std::size_t RowLayout::MemoryBytes() const {
  std::size_t bytes = (blockStarts_.capacity() + last_.capacity()) * sizeof(std::size_t);
  for (const Laid& l : laid_) bytes += l.starts.capacity() * sizeof(std::size_t);
  return bytes;
}

}  // namespace ferrotap
