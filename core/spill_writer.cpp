// SPDX-License-Identifier: MIT
#include "core/spill_writer.h"

#include <unistd.h>

#include <cerrno>

namespace ferrotap {

SpillWriter::SpillWriter(int fd) : fd_(fd), thread_([this] { Run(); }) {}

SpillWriter::~SpillWriter() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void SpillWriter::Write(std::size_t page, uint64_t offset, std::string bytes) {
  auto item = std::make_shared<std::string>(std::move(bytes));
  std::vector<std::shared_ptr<std::string>> surplus;
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return queuedBytes_ < kMaxQueuedBytes || Error() != 0; });
  queuedBytes_ += item->size();
  items_.push_back({page, offset, std::move(item)});
  constexpr std::size_t kSpares = 2;
  while (spares_.size() > kSpares) {
    surplus.push_back(std::move(spares_.back()));
    spares_.pop_back();
  }
  lock.unlock();
  wake_.notify_one();
}

std::string SpillWriter::SpareBuffer() {
  std::shared_ptr<std::string> spare;
  {
    const std::lock_guard lock(mutex_);
    if (spares_.empty()) return {};
    spare = std::move(spares_.back());
    spares_.pop_back();
  }
  // Another holder would be a reader of this thread that is done with it by now.
  return spare.use_count() == 1 ? std::move(*spare) : std::string();
}

std::shared_ptr<const std::string> SpillWriter::Unwritten(std::size_t page) const {
  const std::lock_guard lock(mutex_);
  if (items_.empty() || page < items_.front().page) return nullptr;
  const std::size_t i = page - items_.front().page;
  return i < items_.size() ? items_[i].bytes : nullptr;
}

void SpillWriter::Drain() {
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return !busy_ && (items_.empty() || Error() != 0); });
}

void SpillWriter::Forget(std::size_t page) {
  const std::lock_guard lock(mutex_);
  while (!items_.empty() && items_.back().page >= page) {
    queuedBytes_ -= items_.back().bytes->size();
    items_.pop_back();
  }
}

std::size_t SpillWriter::QueuedBytes() const {
  const std::lock_guard lock(mutex_);
  return queuedBytes_;
}

int SpillWriter::WriteOut(uint64_t offset, const std::string& bytes) const {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                               static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      if (::ftruncate(fd_, static_cast<off_t>(offset)) != 0) {
        // Only space is lost: the page stays readable from memory.
      }
      return error;
    }
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

void SpillWriter::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || (!items_.empty() && Error() == 0); });
    if (stopping_) return;
    std::shared_ptr<std::string> bytes = items_.front().bytes;
    const uint64_t offset = items_.front().offset;
    busy_ = true;
    lock.unlock();
    const int error = WriteOut(offset, *bytes);
    lock.lock();
    busy_ = false;
    if (error != 0) {
      error_.store(error, std::memory_order_release);
    } else {
      queuedBytes_ -= bytes->size();
      items_.pop_front();
      spares_.push_back(std::move(bytes));
    }
    done_.notify_all();
  }
}

}  // namespace ferrotap
