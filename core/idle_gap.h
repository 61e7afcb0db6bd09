// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

namespace ferrotap {

enum class StopBits { One, OneAndHalf, Two };

// How one character goes on the line, for character times.
struct CharacterFrame {
  int32_t baud = 19200;
  int dataBits = 8;
  bool parity = false;
  StopBits stopBits = StopBits::One;
  bool operator==(const CharacterFrame&) const = default;
};

// Half bits of one character (start + data + parity + stop), halves for one and a half stop bits.
int CharacterHalfBits(const CharacterFrame& frame);
// Nanoseconds `thousandths` / 1000 characters take on the line, rounded to the nearest; 0 when
// the rate is not positive.
int64_t CharacterTimeNs(const CharacterFrame& frame, int64_t thousandths);

// The silence that ends a frame: a time, or a count of character times at the current frame.
struct IdleGap {
  enum class Unit { Milliseconds, Characters };
  Unit unit = Unit::Milliseconds;
  int64_t thousandths = 0;  // the value times 1000: 100ms is 100000, 3.5c is 3500
  int64_t Nanoseconds(const CharacterFrame& frame) const;
  bool operator==(const IdleGap&) const = default;
};

// Tells where frames start in received data from the read times of its chunks, for a display
// (a new line per frame) and for decoders that frame by silence. A chunk's bytes are taken to have
// arrived back to back, the last one ending at the chunk's read time, so the silence before a
// chunk is measured from the end of the previous chunk to the start of its first byte: a large
// chunk read late is not mistaken for a gap.
class IdleGapFramer {
 public:
  // A gap of 0 or less frames nothing: only the first chunk starts a frame.
  IdleGapFramer(const IdleGap& gap, const CharacterFrame& frame);
  // Measures with another gap or line frame from the next chunk on; the chunks seen so far stay.
  void SetGap(const IdleGap& gap, const CharacterFrame& frame);

  // Feeds a chunk of `size` bytes read at `readTimeNs` (steady clock). True when a frame starts
  // with its first byte: at the first chunk, and when the silence before it is at least the gap
  // (a silence exactly as long as the gap ends the frame, as in field buses where 3.5 character
  // times of silence is already the end of a frame).
  bool StartsFrame(int64_t readTimeNs, std::size_t size);
  // When the current frame is over if nothing more arrives: where a decoder framing by silence
  // ends a frame without waiting for the next chunk.
  int64_t FrameEndNs() const { return lastEndNs_ + gapNs_; }
  // Forgets the previous chunk: the next one starts a frame.
  void Reset() { started_ = false; }

 private:
  CharacterFrame frame_;
  int64_t gapNs_;
  int64_t lastEndNs_ = 0;
  bool started_ = false;
};

}  // namespace ferrotap
