// SPDX-License-Identifier: MIT
#include "protocol/silence_framer.h"

#include <algorithm>

namespace ferrotap {

void SilenceFramer::SetRules(const SilenceRules& rules) {
  rules_ = rules;
  gapNs_ = rules.gap.Nanoseconds(rules.line);
  const std::size_t width =
      rules.useChecksum ? static_cast<std::size_t>(ChecksumWidth(rules.checksumKind)) : 0;
  // A frame holds at least one byte besides its checksum.
  minFrame_ = std::max(width + 1, rules.headerBytes + width);
}

void SilenceFramer::Read(std::string_view bytes, int64_t readNs, const Emit& emit) {
  if (bytes.empty()) return;
  const auto n = static_cast<int64_t>(bytes.size());
  // The bytes are taken to have arrived back to back, the last at the read time: the silence
  // before them is what is left of the time since the previous read.
  const int64_t silenceNs = readNs - CharacterTimeNs(rules_.line, n * 1000) - lastReadNs_;
  const bool seen = haveRead_ && !open_.empty() && gapNs_ > 0 && silenceNs >= gapNs_;
  const bool rested = seen && silenceNs >= RestNs();
  if (seen) seen_.emplace_back(open_.size(), readNs);
  flags_.push_back(
      static_cast<uint8_t>(kMayCut | (seen ? kSeenGap : 0) | (rested ? kRested : 0)));
  flags_.insert(flags_.end(), bytes.size() - 1, kMayCut);
  open_.append(bytes);
  lastReadNs_ = readNs;
  haveRead_ = true;
  Settle(false, false, emit);
}

void SilenceFramer::Continue(std::string_view bytes, const Emit& emit) {
  open_.append(bytes);
  flags_.insert(flags_.end(), bytes.size(), 0);
  Settle(false, false, emit);
}

bool SilenceFramer::Rest(int64_t nowNs, const Emit& emit) {
  if (open_.empty() || nowNs < lastReadNs_ + RestNs()) return false;
  Settle(true, nowNs >= lastReadNs_ + RestNs() + kSilenceHoldNs, emit);
  return open_.empty();
}

std::optional<int64_t> SilenceFramer::DueNs() const {
  if (open_.empty()) return std::nullopt;
  const bool hold = rules_.useChecksum && !openChecks_;
  return lastReadNs_ + RestNs() + (hold ? kSilenceHoldNs : 0);
}

void SilenceFramer::Clear() {
  open_.clear();
  flags_.clear();
  seen_.clear();
  openChecks_ = false;
}

void SilenceFramer::Settle(bool resting, bool force, const Emit& emit) {
  while (!open_.empty()) {
    const std::size_t end = NextEnd(resting, force);
    if (end == 0) break;
    TakeFront(end, emit);
  }
  std::vector<std::size_t> failed;
  openChecks_ = rules_.useChecksum && !open_.empty() && AllCheck(0, failed);
}

std::size_t SilenceFramer::NextEnd(bool resting, bool force) const {
  const std::size_t n = open_.size();
  const std::size_t seenGap = FirstSeenGap();
  if (!rules_.useChecksum) return seenGap != 0 ? seenGap : resting ? n : 0;
  std::vector<std::size_t> ends;
  CheckingEnds(0, ends, false);
  for (const std::size_t end : ends) {
    if (end < n && HasCheckingEnd(end)) return end;
  }
  std::vector<std::size_t> failed;
  // A silence as long as a rest ends the frame before it when the bytes on either side check: at
  // a rest, the frame before or all after; while bytes come, two frames in a row after it (a
  // reader that was held up shows such a silence anywhere, and a large read after it holds many
  // places where one frame checks by chance).
  for (const auto& [at, readNs] : seen_) {
    if ((flags_[at] & kRested) == 0) continue;
    const bool checks = resting ? AllCheck(at, failed) ||
                                      std::find(ends.begin(), ends.end(), at) != ends.end()
                                : ChainFrom(at);
    if (checks) return at;
  }
  if (resting) {
    for (const std::size_t end : ends) {
      if (end == n || AllCheck(end, failed)) return end;
    }
    return force ? ForcedEnd(true) : 0;
  }
  const bool held = seenGap != 0 && (lastReadNs_ - seen_.front().second >= kSilenceHoldNs ||
                                     n - seenGap > kLongestCheckedFrame);
  return held || n > 2 * kLongestCheckedFrame ? ForcedEnd(false) : 0;
}

std::size_t SilenceFramer::ForcedEnd(bool resting) const {
  const std::size_t n = open_.size();
  // A frame that checks at the front, or else the next one that checks.
  std::vector<std::size_t> ends;
  CheckingEnds(0, ends, true);
  if (!ends.empty() && ends.front() < n) return ends.front();
  for (std::size_t from = 1; from < std::min(n, kLongestCheckedFrame); ++from) {
    if ((flags_[from] & kMayCut) != 0 && HasCheckingEnd(from)) return from;
  }
  if (const std::size_t seenGap = FirstSeenGap(); seenGap != 0) return seenGap;
  return resting ? n : std::min(n, kLongestCheckedFrame);
}

void SilenceFramer::CheckingEnds(std::size_t from, std::vector<std::size_t>& ends,
                                 bool firstOnly) const {
  ends.clear();
  const std::size_t n = open_.size();
  const auto cutAt = [&](std::size_t end) { return end == n || (flags_[end] & kMayCut) != 0; };
  if (from < n && rules_.loneBytes[static_cast<uint8_t>(open_[from])] && cutAt(from + 1)) {
    ends.push_back(from + 1);
    if (firstOnly) return;
  }
  const auto width = static_cast<std::size_t>(ChecksumWidth(rules_.checksumKind));
  const std::size_t limit = std::min(n, from + kLongestCheckedFrame);
  RunningChecksum sum(rules_.checksumKind);
  std::size_t fed = from;
  const std::string_view bytes(open_);
  for (std::size_t end = from + minFrame_; end <= limit; ++end) {
    if (!cutAt(end)) continue;
    sum.Feed(bytes.substr(fed, end - width - fed));
    fed = end - width;
    if (sum.Value() == ChecksumFromBytes(bytes.substr(fed, width), rules_.checksumOrder)) {
      ends.push_back(end);
      if (firstOnly) return;
    }
  }
}

bool SilenceFramer::ChainFrom(std::size_t from) const {
  std::vector<std::size_t> ends;
  CheckingEnds(from, ends, false);
  for (const std::size_t end : ends) {
    if (end < open_.size() && HasCheckingEnd(end)) return true;
  }
  return false;
}

bool SilenceFramer::HasCheckingEnd(std::size_t from) const {
  std::vector<std::size_t> ends;
  CheckingEnds(from, ends, true);
  return !ends.empty();
}

bool SilenceFramer::AllCheck(std::size_t from, std::vector<std::size_t>& failed) const {
  if (from == open_.size()) return true;
  if (std::find(failed.begin(), failed.end(), from) != failed.end()) return false;
  std::vector<std::size_t> ends;
  CheckingEnds(from, ends, false);
  for (const std::size_t end : ends) {
    if (AllCheck(end, failed)) return true;
  }
  failed.push_back(from);
  return false;
}

std::size_t SilenceFramer::FirstSeenGap() const {
  return seen_.empty() ? 0 : seen_.front().first;
}

void SilenceFramer::TakeFront(std::size_t end, const Emit& emit) {
  const Bytes frame = open_.substr(0, end);
  open_.erase(0, end);
  flags_.erase(flags_.begin(), flags_.begin() + static_cast<std::ptrdiff_t>(end));
  std::erase_if(seen_, [end](const auto& gap) { return gap.first <= end; });
  for (auto& gap : seen_) gap.first -= end;
  emit(frame);
}

}  // namespace ferrotap
