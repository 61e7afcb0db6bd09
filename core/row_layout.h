// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <vector>

#include "core/text_model.h"

namespace ferrotap {

// The data window's rows: each line of the text model cut into rows of at most `columns`
// characters. A row that must be cut ends behind its last blank when it has one past its first
// character, so that a rendered byte ("0D ") is never split across two rows; only a run without
// blanks is cut at the width.
//
// Only rows an edit can change are laid out again: appending to a capture of any size costs the
// rows appended. Between an edit and the next Update the rows before the edit are still there, so
// every row index below Count() maps to text that exists.
class RowLayout {
 public:
  // Forgets the rows an edit at pos may change. Call after the model changed.
  void Invalidate(std::size_t pos);
  // Lays out what is not current; a new width lays out everything. columns >= 1.
  void Update(const TextModel& model, std::size_t columns);

  std::size_t Columns() const { return columns_; }
  std::size_t Count() const { return starts_.size(); }
  std::size_t Start(std::size_t row) const { return starts_[row]; }
  // End of the row's characters (its line break not included).
  std::size_t End(const TextModel& model, std::size_t row) const;
  // Whether the row is the last one of its line.
  bool EndsLine(const TextModel& model, std::size_t row) const;
  // The row holding pos; a position in a line break belongs to the line's last row.
  std::size_t RowOf(std::size_t pos) const;

  std::size_t MemoryBytes() const { return starts_.capacity() * sizeof(std::size_t); }

 private:
  std::vector<std::size_t> starts_;
  std::size_t columns_ = 0;
  bool current_ = false;
};

// Where a row starting at start in a line ending at lineEnd ends, for the given width.
std::size_t RowBreak(const TextModel& model, std::size_t start, std::size_t lineEnd,
                     std::size_t columns);

}  // namespace ferrotap
