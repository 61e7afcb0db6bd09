// SPDX-License-Identifier: MIT
#include "core/idle_gap.h"

namespace ferrotap {

int CharacterHalfBits(const CharacterFrame& frame) {
  const int stopHalfBits = frame.stopBits == StopBits::One          ? 2
                           : frame.stopBits == StopBits::OneAndHalf ? 3
                                                                    : 4;
  return 2 * (1 + frame.dataBits + (frame.parity ? 1 : 0)) + stopHalfBits;
}

int64_t CharacterTimeNs(const CharacterFrame& frame, int64_t thousandths) {
  if (frame.baud <= 0) return 0;
  // thousandths * halfBits / 2 / 1000 characters' bits, at baud bits a second, in nanoseconds.
  const int64_t numerator = thousandths * CharacterHalfBits(frame) * 500'000;
  return (numerator + frame.baud / 2) / frame.baud;
}

int64_t IdleGap::Nanoseconds(const CharacterFrame& frame) const {
  return unit == Unit::Milliseconds ? thousandths * 1000 : CharacterTimeNs(frame, thousandths);
}

IdleGapFramer::IdleGapFramer(const IdleGap& gap, const CharacterFrame& frame)
    : frame_(frame), gapNs_(gap.Nanoseconds(frame)) {}

void IdleGapFramer::SetGap(const IdleGap& gap, const CharacterFrame& frame) {
  frame_ = frame;
  gapNs_ = gap.Nanoseconds(frame);
}

bool IdleGapFramer::StartsFrame(int64_t readTimeNs, std::size_t size) {
  const int64_t firstByteStartNs =
      readTimeNs - CharacterTimeNs(frame_, static_cast<int64_t>(size) * 1000);
  const bool starts = !started_ || (gapNs_ > 0 && firstByteStartNs - lastEndNs_ >= gapNs_);
  started_ = true;
  lastEndNs_ = readTimeNs;
  return starts;
}

}  // namespace ferrotap
