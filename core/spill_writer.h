// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ferrotap {

// Writes the text store's pages to its file on a thread of its own: a write into the page cache
// can wait tens of milliseconds on the disk's write-back, which the window's thread must not.
// Until a page is on disk its bytes stay here and are read from here; after a failed write, the
// pages not written stay here for good and nothing more is written.
class SpillWriter {
 public:
  // The file stays the caller's; it must outlive the writer.
  explicit SpillWriter(int fd);
  // Waits for the write under way, abandons the rest: the file is about to go.
  ~SpillWriter();
  SpillWriter(const SpillWriter&) = delete;
  SpillWriter& operator=(const SpillWriter&) = delete;

  // Pages come in order of their index, without gaps. Waits while kMaxQueuedBytes are queued, so
  // a disk slower than the capture holds the capture back instead of filling memory.
  void Write(std::size_t page, uint64_t offset, std::string bytes);
  // The bytes of a page not yet on disk, or null when it is on disk.
  std::shared_ptr<const std::string> Unwritten(std::size_t page) const;
  // Waits until every queued page is on disk or a write failed.
  void Drain();
  // Forgets the pages from `page` on. Call after Drain.
  void Forget(std::size_t page);
  // errno of the write that failed; 0 while all is well.
  int Error() const { return error_.load(std::memory_order_acquire); }
  std::size_t QueuedBytes() const;
  // A buffer of a page already written, to fill with the next one (empty when there is none).
  // Buffers are freed and reused on the caller's thread: the writer never takes the allocator's
  // lock away from it.
  std::string SpareBuffer();

  static constexpr std::size_t kMaxQueuedBytes = std::size_t{32} << 20;

 private:
  struct Item {
    std::size_t page = 0;
    uint64_t offset = 0;
    std::shared_ptr<std::string> bytes;
  };

  void Run();
  // The front item to disk; returns errno or 0.
  int WriteOut(uint64_t offset, const std::string& bytes) const;

  const int fd_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;  // to the writer: work, or stop
  std::condition_variable done_;  // from the writer: a page written, or a write failed
  std::deque<Item> items_;        // not yet on disk, oldest first
  std::vector<std::shared_ptr<std::string>> spares_;  // written, for SpareBuffer
  std::size_t queuedBytes_ = 0;
  bool busy_ = false;
  bool stopping_ = false;
  std::atomic<int> error_{0};
  std::thread thread_;
};

}  // namespace ferrotap
