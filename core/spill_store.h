// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "core/colors.h"
#include "core/spill_writer.h"

namespace ferrotap {

// A colour change inside a spilled page, at an offset from the page's start.
struct SpilledRun {
  uint32_t offset = 0;
  Color color = kSysWindowTextColor;
};

// The oldest text of the data window, kept in a file in whole pages with their colour runs. Pages
// only ever join at the end and leave from the end, so the file is written once, front to back,
// by a writer thread; a page is read from memory until it is on disk.
//
// The file is unlinked as soon as it is open: the system frees it when the store closes or the
// program dies, so no store outlives its window. Errors throw FileError.
class SpillStore {
 public:
  struct Page {
    std::size_t start = 0;     // text position of the first byte
    std::size_t length = 0;
    uint64_t fileOffset = 0;   // the text, then its runs
    std::size_t firstLine = 0; // line starts in the pages before
    std::size_t lines = 0;     // line starts in (start, start + length]
    bool endsLine = false;     // whether start + length is a line start
    std::size_t firstRun = 0;  // runs in the pages before
    std::size_t runs = 0;
  };
  // A page read back: its text, runs and the line starts in (start, start + length].
  struct Loaded {
    std::size_t index = 0;
    std::string text;
    std::vector<SpilledRun> runs;
    std::vector<std::size_t> lineStarts;
  };

  explicit SpillStore(const std::string& folder);
  ~SpillStore();
  SpillStore(const SpillStore&) = delete;
  SpillStore& operator=(const SpillStore&) = delete;

  std::size_t Length() const { return pages_.empty() ? 0 : End(pages_.back()); }
  std::size_t LineStarts() const { return pages_.empty() ? 0 : pages_.back().firstLine + pages_.back().lines; }
  std::size_t RunCount() const { return pages_.empty() ? 0 : pages_.back().firstRun + pages_.back().runs; }
  std::size_t PageCount() const { return pages_.size(); }
  const Page& PageAt(std::size_t i) const { return pages_[i]; }

  // runs[0].offset is 0; endsLine says whether the text following makes the page's end a line
  // start. Throws when an earlier page could not be written: the text is then not taken.
  void Append(std::string text, const std::vector<SpilledRun>& runs, bool endsLine);
  // A buffer to fill with the next page's text, with room from an earlier page when there is one.
  std::string SpareText() { return writer_->SpareBuffer(); }
  // Why a page could not be written; empty while all is well. Pages not written stay readable.
  std::string WriteProblem() const;
  // Forgets pages from `index` on, giving back their file space.
  void Truncate(std::size_t index);
  // The text following the last page changed; so may the last page's end be a line start.
  void SetLastEndsLine(bool endsLine);

  // The page holding pos < Length(), the page holding line start `n` (0-based, n < LineStarts()),
  // the page holding run `n` (n < RunCount()).
  std::size_t PageOf(std::size_t pos) const;
  std::size_t PageOfLineStart(std::size_t n) const;
  std::size_t PageOfRun(std::size_t n) const;

  // Through a small cache of recently used pages.
  const Loaded& Load(std::size_t index) const;
  char At(std::size_t pos) const;
  // Copies [pos, pos + len) of the stored text to out; pages not in the cache are read directly,
  // so a long read (a search, a save) does not evict the pages the view uses.
  void Read(std::size_t pos, std::size_t len, char* out) const;

  std::size_t MemoryBytes() const;

  // Removes stores an earlier run could not unlink; returns how many.
  static std::size_t RemoveLeftovers(const std::string& folder);
  static constexpr const char* kFilePrefix = "ferrotap-store-";

 private:
  static std::size_t End(const Page& p) { return p.start + p.length; }
  void ReadAt(uint64_t offset, char* out, std::size_t len) const;
  void ReadPage(std::size_t index, std::size_t from, char* out, std::size_t len) const;

  int fd_ = -1;
  std::string folder_;
  std::vector<Page> pages_;
  uint64_t fileEnd_ = 0;
  mutable std::list<Loaded> cache_;
  std::unique_ptr<SpillWriter> writer_;
};

}  // namespace ferrotap
