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

void RowLayout::Invalidate(std::size_t pos) {
  current_ = false;
  if (starts_.empty()) return;
  // A row's end depends on at most columns + 1 characters from its start (the +1 for an LF
  // joining a CR), so a row starting that far before the edit keeps its end, and the next row
  // keeps its start.
  const std::size_t reach = columns_ + 1;
  const std::size_t safe = pos > reach ? pos - reach : 0;
  const auto first = std::lower_bound(starts_.begin(), starts_.end(), safe);
  const std::size_t keep = static_cast<std::size_t>(first - starts_.begin()) + 1;
  if (keep < starts_.size()) starts_.resize(keep);
}

void RowLayout::Update(const TextModel& model, std::size_t columns) {
  if (columns != columns_) {
    columns_ = columns;
    starts_.clear();
    current_ = false;
  }
  if (current_) return;
  std::size_t pos = 0;
  if (!starts_.empty()) {
    pos = starts_.back();
    starts_.pop_back();
  }
  const std::size_t lines = model.LineCount();
  for (std::size_t line = model.LineOf(pos);;) {
    const std::size_t lineEnd = model.LineEnd(line);
    for (;;) {
      starts_.push_back(pos);
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
  const std::size_t lineEnd = model.LineEnd(model.LineOf(starts_[row]));
  return row + 1 < starts_.size() ? std::min(starts_[row + 1], lineEnd) : lineEnd;
}

bool RowLayout::EndsLine(const TextModel& model, std::size_t row) const {
  return row + 1 >= starts_.size() || starts_[row + 1] > model.LineEnd(model.LineOf(starts_[row]));
}

std::size_t RowLayout::RowOf(std::size_t pos) const {
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), pos);
  return after == starts_.begin() ? 0 : static_cast<std::size_t>(after - starts_.begin()) - 1;
}

}  // namespace ferrotap
