// SPDX-License-Identifier: MIT
#include "protocol/silence_framer.h"

#include <algorithm>
#include <bit>
#include <iterator>
#include <string_view>

namespace ferrotap {
namespace {

// The checksum that the `Width` bytes at p carry.
// Spelled out byte by byte: the compiler makes one load of each (and a byte swap).
template <std::size_t Width, bool LowFirst>
std::uint32_t ChecksumAt(const unsigned char* p) {
  const auto b = [p](std::size_t i) { return std::uint32_t{p[LowFirst ? i : Width - 1 - i]}; };
  if constexpr (Width == 1) {
    return b(0);
  } else if constexpr (Width == 2) {
    return b(0) | b(1) << 8;
  } else {
    return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
  }
}

template <std::size_t Width, bool LowFirst>
std::uint32_t MatchMaskOf(const std::uint32_t* values, const unsigned char* p, std::size_t count) {
  std::uint32_t hits = 0;
  for (std::size_t k = 0; k < count; ++k) {
    hits |= static_cast<std::uint32_t>(values[k] == ChecksumAt<Width, LowFirst>(p + k)) << k;
  }
  return hits;
}

// Bit k set where values[k] equals the checksum in the bytes from p + k on (count <= 32).
std::uint32_t MatchMask(std::size_t width, bool lowFirst, const std::uint32_t* values,
                        const unsigned char* p, std::size_t count) {
  switch (width) {
    case 1:
      return MatchMaskOf<1, true>(values, p, count);
    case 2:
      return lowFirst ? MatchMaskOf<2, true>(values, p, count)
                      : MatchMaskOf<2, false>(values, p, count);
    default:
      return lowFirst ? MatchMaskOf<4, true>(values, p, count)
                      : MatchMaskOf<4, false>(values, p, count);
  }
}

}  // namespace

void SilenceFramer::SetRules(const SilenceRules& rules) {
  gapNs_ = rules.gap.Nanoseconds(rules.line);
  const std::size_t width =
      rules.useChecksum ? static_cast<std::size_t>(ChecksumWidth(rules.checksumKind)) : 0;
  // A frame holds at least one byte besides its checksum.
  const std::size_t minFrame = std::max(width + 1, rules.headerBytes + width);
  // The searches made hold as long as what they looked for.
  if (rules.checksumKind != rules_.checksumKind || rules.checksumOrder != rules_.checksumOrder ||
      minFrame != minFrame_ || width != width_) {
    scans_.clear();
  }
  if (!(rules.line == rules_.line)) {
    timedCount_ = 0;
  }
  rules_ = rules;
  anyLone_ = rules.loneBytes.any();
  minFrame_ = minFrame;
  width_ = width;
}

void SilenceFramer::Read(std::string_view bytes, int64_t readNs, const Emit& emit) {
  if (bytes.empty()) return;
  const auto n = static_cast<int64_t>(bytes.size());
  // The bytes are taken to have arrived back to back, the last at the read time: the silence
  // before them is what is left of the time since the previous read.
  // Reads of one size follow each other (frames of one length): the division is done once.
  if (n != timedCount_) {
    timedCount_ = n;
    timedNs_ = CharacterTimeNs(rules_.line, n * 1000);
  }
  const int64_t silenceNs = readNs - timedNs_ - lastReadNs_;
  const bool seen = haveRead_ && OpenSize() != 0 && gapNs_ > 0 && silenceNs >= gapNs_;
  const bool rested = seen && silenceNs >= RestNs();
  if (seen) seen_.emplace_back(OpenSize(), readNs);
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
  if (OpenSize() == 0 || nowNs < lastReadNs_ + RestNs()) return false;
  Settle(true, nowNs >= lastReadNs_ + RestNs() + kSilenceHoldNs, emit);
  return OpenSize() == 0;
}

std::optional<int64_t> SilenceFramer::DueNs() {
  if (OpenSize() == 0) return std::nullopt;
  if (rules_.useChecksum && !openChecksKnown_) {
    std::vector<std::size_t> failed;
    openChecks_ = AllCheck(0, failed);
    openChecksKnown_ = true;
  }
  const bool hold = rules_.useChecksum && !openChecks_;
  return lastReadNs_ + RestNs() + (hold ? kSilenceHoldNs : 0);
}

void SilenceFramer::Clear() {
  open_.clear();
  head_ = 0;
  flags_.clear();
  seen_.clear();
  scans_.clear();
  openChecksKnown_ = false;
}

void SilenceFramer::Settle(bool resting, bool force, const Emit& emit) {
  while (OpenSize() != 0) {
    const std::size_t end = NextEnd(resting, force);
    if (end == 0) break;
    TakeFront(end, emit);
  }
  openChecksKnown_ = false;
}

std::size_t SilenceFramer::NextEnd(bool resting, bool force) {
  const std::size_t n = OpenSize();
  const std::size_t seenGap = FirstSeenGap();
  if (!rules_.useChecksum) return seenGap != 0 ? seenGap : resting ? n : 0;
  for (std::size_t end = EndAfter(0, 0); end != 0 && end < n; end = EndAfter(0, end)) {
    if (HasCheckingEnd(end)) return end;
  }
  if (seen_.empty() && !resting) return n > 2 * kLongestCheckedFrame ? ForcedEnd(false) : 0;
  std::vector<std::size_t> ends;
  if (resting) CheckingEnds(0, ends);
  std::vector<std::size_t> failed;
  // A silence as long as a rest ends the frame before it when the bytes on either side check: at
  // a rest, the frame before or all after; while bytes come, two frames in a row after it (a
  // reader that was held up shows such a silence anywhere, and a large read after it holds many
  // places where one frame checks by chance).
  for (const auto& [at, readNs] : seen_) {
    if ((flags_[head_ + at] & kRested) == 0) continue;
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

std::size_t SilenceFramer::ForcedEnd(bool resting) {
  const std::size_t n = OpenSize();
  // A frame that checks at the front, or else the next one that checks.
  if (const std::size_t end = EndAfter(0, 0); end != 0 && end < n) return end;
  for (std::size_t from = 1; from < std::min(n, kLongestCheckedFrame); ++from) {
    if ((flags_[head_ + from] & kMayCut) != 0 && HasCheckingEnd(from)) return from;
  }
  if (const std::size_t seenGap = FirstSeenGap(); seenGap != 0) return seenGap;
  return resting ? n : std::min(n, kLongestCheckedFrame);
}

SilenceFramer::Scan& SilenceFramer::ScanFrom(std::size_t at) {
  // Mostly the search of the front frame, or one after all others.
  if (!scans_.empty() && scans_.front().from == at) return scans_.front();
  auto it = !scans_.empty() && scans_.back().from < at
                ? scans_.end()
                : std::lower_bound(scans_.begin(), scans_.end(), at,
                                   [](const Scan& scan, std::size_t a) { return scan.from < a; });
  if (it != scans_.end() && it->from == at) return *it;
  if (spare_.empty()) {
    it = scans_.insert(it, Scan());
  } else {
    it = scans_.insert(it, std::move(spare_.back()));
    spare_.pop_back();
    it->matches.clear();
  }
  it->from = at;
  it->fed = at;
  if (it->sum.Kind() == rules_.checksumKind) it->sum.Reset();
  else it->sum = RunningChecksum(rules_.checksumKind);
  return *it;
}

std::size_t SilenceFramer::EndAfter(std::size_t from, std::size_t after) {
  const std::size_t n = OpenSize();
  if (from >= n) return 0;
  if (after <= from && anyLone_ && rules_.loneBytes[static_cast<uint8_t>(open_[head_ + from])] &&
      CutAt(from + 1)) {
    return from + 1;
  }
  Scan& scan = ScanFrom(head_ + from);
  for (const std::size_t match : scan.matches) {
    if (match - head_ > after && CutAt(match - head_)) return match - head_;
  }
  // Each byte fed ends the sum for the end `width_` bytes on, the first end minFrame_ bytes in.
  const std::size_t limit = head_ + std::min(n, from + kLongestCheckedFrame);
  const std::size_t firstFed = scan.from + minFrame_ - width_;
  const auto* bytes = reinterpret_cast<const unsigned char*>(open_.data());
  const bool lowFirst = rules_.checksumOrder == ByteOrder::LowFirst;
  constexpr std::size_t kStep = 32;
  std::uint32_t values[kStep];
  std::size_t found = 0;
  while (found == 0 && scan.fed + width_ < limit) {
    const std::size_t count = std::min(kStep, limit - width_ - scan.fed);
    scan.sum.FeedEach(std::string_view(open_).substr(scan.fed, count), values);
    // Where the checksum bytes that follow match, first marked, then looked at.
    std::uint32_t hits = MatchMask(width_, lowFirst, values, bytes + scan.fed + 1, count);
    for (; hits != 0; hits &= hits - 1) {
      const auto k = static_cast<std::size_t>(std::countr_zero(hits));
      if (scan.fed + k + 1 < firstFed) continue;
      const std::size_t end = scan.fed + k + 1 + width_;
      scan.matches.push_back(end);
      if (found == 0 && end - head_ > after && CutAt(end - head_)) found = end - head_;
    }
    scan.fed += count;
  }
  return found;
}

void SilenceFramer::CheckingEnds(std::size_t from, std::vector<std::size_t>& ends) {
  ends.clear();
  for (std::size_t end = EndAfter(from, from); end != 0; end = EndAfter(from, end)) {
    ends.push_back(end);
  }
}

bool SilenceFramer::ChainFrom(std::size_t from) {
  const std::size_t n = OpenSize();
  for (std::size_t end = EndAfter(from, from); end != 0 && end < n; end = EndAfter(from, end)) {
    if (HasCheckingEnd(end)) return true;
  }
  return false;
}

bool SilenceFramer::AllCheck(std::size_t from, std::vector<std::size_t>& failed) {
  if (from == OpenSize()) return true;
  if (std::find(failed.begin(), failed.end(), from) != failed.end()) return false;
  for (std::size_t end = EndAfter(from, from); end != 0; end = EndAfter(from, end)) {
    if (AllCheck(end, failed)) return true;
  }
  failed.push_back(from);
  return false;
}

std::size_t SilenceFramer::FirstSeenGap() const {
  return seen_.empty() ? 0 : seen_.front().first;
}

void SilenceFramer::TakeFront(std::size_t end, const Emit& emit) {
  frame_.assign(open_, head_, end);
  const auto front = std::lower_bound(scans_.begin(), scans_.end(), head_,
                                      [](const Scan& scan, std::size_t a) { return scan.from < a; });
  frameChecks_ = rules_.useChecksum && front != scans_.end() && front->from == head_ &&
                 std::find(front->matches.begin(), front->matches.end(), head_ + end) !=
                     front->matches.end();
  head_ += end;
  std::erase_if(seen_, [end](const auto& gap) { return gap.first <= end; });
  for (auto& gap : seen_) gap.first -= end;
  const auto kept = std::lower_bound(scans_.begin(), scans_.end(), head_,
                                     [](const Scan& scan, std::size_t a) { return scan.from < a; });
  std::move(scans_.begin(), kept, std::back_inserter(spare_));
  scans_.erase(scans_.begin(), kept);
  // The bytes taken are dropped once they are more than those still open.
  if (head_ >= 4096 && 2 * head_ >= open_.size()) {
    open_.erase(0, head_);
    flags_.erase(flags_.begin(), flags_.begin() + static_cast<std::ptrdiff_t>(head_));
    for (Scan& scan : scans_) {
      scan.from -= head_;
      scan.fed -= head_;
      for (std::size_t& match : scan.matches) match -= head_;
    }
    head_ = 0;
  }
  emit(frame_);
}

}  // namespace ferrotap
