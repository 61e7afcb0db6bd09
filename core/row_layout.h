// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <list>
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
//
// Rows are kept in blocks of kBlockRows: of each block but the last only its first start, the others
// laid out again from it when asked for (a few blocks stay laid out), so that the rows of a capture
// of any length take little memory.
class RowLayout {
 public:
  // Forgets the rows an edit at pos may change. Call after the model changed.
  void Invalidate(std::size_t pos);
  // Forgets every row, without looking at the model: call when the model is replaced.
  void Reset() {
    Truncate(0);
    current_ = false;
  }
  // Lays out what is not current; a new width lays out everything. columns >= 1.
  void Update(const TextModel& model, std::size_t columns);

  static constexpr std::size_t kBlockRows = 4096;

  std::size_t Columns() const { return columns_; }
  std::size_t Count() const { return count_; }
  // The model is the one of the last Update.
  std::size_t Start(std::size_t row) const { return Block(row / kBlockRows)[row % kBlockRows]; }
  // End of the row's characters (its line break not included).
  std::size_t End(const TextModel& model, std::size_t row) const;
  // Whether the row is the last one of its line.
  bool EndsLine(const TextModel& model, std::size_t row) const;
  // The row holding pos; a position in a line break belongs to the line's last row.
  std::size_t RowOf(std::size_t pos) const;

  std::size_t MemoryBytes() const;

 private:
  struct Laid {
    std::size_t block = 0;
    std::vector<std::size_t> starts;
  };

  const std::vector<std::size_t>& Block(std::size_t block) const;
  void Push(std::size_t start);
  void Truncate(std::size_t rows);
  // Index of the first row starting at or after pos.
  std::size_t LowerBound(std::size_t pos) const;

  const TextModel* model_ = nullptr;
  std::vector<std::size_t> blockStarts_;  // first start of each block
  std::vector<std::size_t> last_;         // every start of the last block
  mutable std::list<Laid> laid_;          // blocks laid out again, most recent first
  std::size_t count_ = 0;
  std::size_t columns_ = 0;
  bool current_ = false;
};

// The start of the row behind the one starting at pos; `none` when that is the last row.
std::size_t NextRowStart(const TextModel& model, std::size_t pos, std::size_t columns,
                         std::size_t none);

// Where a row starting at start in a line ending at lineEnd ends, for the given width.
std::size_t RowBreak(const TextModel& model, std::size_t start, std::size_t lineEnd,
                     std::size_t columns);

}  // namespace ferrotap
