// SPDX-License-Identifier: MIT
#include "core/spill_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/safe_file.h"

namespace ferrotap {
namespace {

constexpr std::size_t kCachedPages = 4;

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// Line starts by the rule the text model keeps: behind an LF, and behind a CR not followed by LF.
// Line starts by the rule the text model keeps: behind an LF, and behind a CR not followed by LF.
// Rendered captures hold few line ends: they are looked for with memchr, not byte by byte.
void FindLineStarts(std::string_view t, std::size_t start, bool endsLine,
                    std::vector<std::size_t>& starts) {
  starts.clear();
  const char* const begin = t.data();
  const char* const last = begin + (t.empty() ? 0 : t.size() - 1);
  const auto next = [last](const char* from, char c) {
    const void* found = std::memchr(from, c, static_cast<std::size_t>(last - from));
    return found == nullptr ? last : static_cast<const char*>(found);
  };
  const char* cr = next(begin, '\r');
  const char* lf = next(begin, '\n');
  for (const char* p = std::min(cr, lf); p != last; p = std::min(cr, lf)) {
    if (p == lf || p[1] != '\n') starts.push_back(start + static_cast<std::size_t>(p - begin) + 1);
    if (p == cr) {
      cr = next(p + 1, '\r');
    } else {
      lf = next(p + 1, '\n');
    }
  }
  if (endsLine) starts.push_back(start + t.size());
}

template <typename Key>
std::size_t FindPage(const std::vector<SpillStore::Page>& pages, std::size_t n, Key key) {
  const auto it = std::upper_bound(pages.begin(), pages.end(), n,
                                   [&key](std::size_t v, const SpillStore::Page& p) {
                                     return v < key(p);
                                   });
  return static_cast<std::size_t>(it - pages.begin()) - 1;
}

}  // namespace

SpillStore::SpillStore(const std::string& folder) : folder_(WithSlash(folder)) {
  std::string path = folder_ + kFilePrefix + "XXXXXX";
  fd_ = ::mkostemp(path.data(), O_CLOEXEC);
  if (fd_ < 0) throw FileError("Creating the text store in", folder_, std::strerror(errno));
  ::unlink(path.c_str());
  writer_ = std::make_unique<SpillWriter>(fd_);
}

SpillStore::~SpillStore() {
  writer_.reset();
  ::close(fd_);
}

// The page's text and then its runs, from memory while the writer still holds them.
void SpillStore::ReadPage(std::size_t index, std::size_t from, char* out, std::size_t len) const {
  if (const auto bytes = writer_->Unwritten(index)) {
    std::memcpy(out, bytes->data() + from, len);
  } else {
    ReadAt(pages_[index].fileOffset + from, out, len);
  }
}

void SpillStore::Append(std::string text, const std::vector<SpilledRun>& runs, bool endsLine) {
  if (const int error = writer_->Error(); error != 0) {
    throw FileError("Writing the text store in", folder_, std::strerror(error));
  }
  Page page;
  page.start = Length();
  page.length = text.size();
  page.fileOffset = fileEnd_;
  page.firstLine = LineStarts();
  page.firstRun = RunCount();
  page.runs = runs.size();
  page.endsLine = endsLine;
  std::vector<std::size_t> starts;
  FindLineStarts(text, page.start, endsLine, starts);
  page.lines = starts.size();
  text.append(reinterpret_cast<const char*>(runs.data()), runs.size() * sizeof(SpilledRun));
  fileEnd_ += text.size();
  writer_->Write(pages_.size(), page.fileOffset, std::move(text));
  pages_.push_back(page);
}

std::string SpillStore::WriteProblem() const {
  const int error = writer_->Error();
  return error == 0 ? std::string()
                    : FileError("Writing the text store in", folder_, std::strerror(error)).what();
}

void SpillStore::Truncate(std::size_t index) {
  if (index >= pages_.size()) return;
  writer_->Drain();
  writer_->Forget(index);
  fileEnd_ = pages_[index].fileOffset;
  pages_.resize(index);
  cache_.remove_if([index](const Loaded& l) { return l.index >= index; });
  if (::ftruncate(fd_, static_cast<off_t>(fileEnd_)) != 0) {
    // Only space is lost: the pages behind fileEnd_ are written over by the next ones.
  }
}

void SpillStore::SetLastEndsLine(bool endsLine) {
  if (pages_.empty() || pages_.back().endsLine == endsLine) return;
  Page& last = pages_.back();
  last.endsLine = endsLine;
  last.lines = endsLine ? last.lines + 1 : last.lines - 1;
  const std::size_t index = pages_.size() - 1;
  cache_.remove_if([index](const Loaded& l) { return l.index == index; });
}

std::size_t SpillStore::PageOf(std::size_t pos) const {
  return FindPage(pages_, pos, [](const Page& p) { return p.start; });
}

std::size_t SpillStore::PageOfLineStart(std::size_t n) const {
  // Pages without line starts share their firstLine with the next: the last of them that starts
  // at or before n might hold none, so step on to the one that does.
  std::size_t i = FindPage(pages_, n, [](const Page& p) { return p.firstLine; });
  while (n >= pages_[i].firstLine + pages_[i].lines) ++i;
  return i;
}

std::size_t SpillStore::PageOfRun(std::size_t n) const {
  return FindPage(pages_, n, [](const Page& p) { return p.firstRun; });
}

void SpillStore::ReadAt(uint64_t offset, char* out, std::size_t len) const {
  for (std::size_t done = 0; done < len;) {
    const ssize_t n = ::pread(fd_, out + done, len - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      throw FileError("Reading the text store in", folder_, n < 0 ? std::strerror(errno) : "short file");
    }
    done += static_cast<std::size_t>(n);
  }
}

const SpillStore::Loaded& SpillStore::Load(std::size_t index) const {
  for (auto it = cache_.begin(); it != cache_.end(); ++it) {
    if (it->index == index) {
      cache_.splice(cache_.begin(), cache_, it);
      return cache_.front();
    }
  }
  const Page& page = pages_[index];
  Loaded loaded;
  loaded.index = index;
  loaded.text.resize(page.length);
  ReadPage(index, 0, loaded.text.data(), page.length);
  loaded.runs.resize(page.runs);
  ReadPage(index, page.length, reinterpret_cast<char*>(loaded.runs.data()),
           page.runs * sizeof(SpilledRun));
  FindLineStarts(loaded.text, page.start, page.endsLine, loaded.lineStarts);
  cache_.push_front(std::move(loaded));
  if (cache_.size() > kCachedPages) cache_.pop_back();
  return cache_.front();
}

char SpillStore::At(std::size_t pos) const {
  const Loaded& page = Load(PageOf(pos));
  return page.text[pos - pages_[page.index].start];
}

void SpillStore::Read(std::size_t pos, std::size_t len, char* out) const {
  std::size_t i = len > 0 ? PageOf(pos) : 0;
  for (std::size_t done = 0; done < len; ++i) {
    const Page& page = pages_[i];
    const std::size_t from = pos + done - page.start;
    const std::size_t n = std::min(len - done, page.length - from);
    const auto cached = std::find_if(cache_.begin(), cache_.end(),
                                     [i](const Loaded& l) { return l.index == i; });
    if (cached != cache_.end()) {
      std::memcpy(out + done, cached->text.data() + from, n);
    } else {
      ReadPage(i, from, out + done, n);
    }
    done += n;
  }
}

std::size_t SpillStore::MemoryBytes() const {
  std::size_t bytes = pages_.capacity() * sizeof(Page) + writer_->QueuedBytes();
  for (const Loaded& l : cache_) {
    bytes += l.text.capacity() + l.runs.capacity() * sizeof(SpilledRun) +
             l.lineStarts.capacity() * sizeof(std::size_t);
  }
  return bytes;
}

std::size_t SpillStore::RemoveLeftovers(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  std::size_t removed = 0;
  const std::string prefix = kFilePrefix;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    if (::unlink((WithSlash(folder) + name).c_str()) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

}  // namespace ferrotap
