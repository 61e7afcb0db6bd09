// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

namespace ferrotap {

// Takes the in-band error marks of a tty in PARMRK mode out of the received bytes: "\377\377" is
// a data byte 0xFF, "\377\0\0" a break (no data byte), "\377\0c" the byte c received with a
// parity or framing error. A mark split over two reads is completed by the next one. The
// result is never longer than what was read.
class ParmrkDecoder {
 public:
  // Decodes size bytes in place and returns how many data bytes are left at the front. Errors
  // seen are or-ed into errors as line error bits; a bad byte counts as a parity error when the
  // line has parity, else as a framing error.
  std::size_t Decode(char* data, std::size_t size, bool parity, uint8_t& errors);

 private:
  enum class State : uint8_t { Data, Escape, Mark };
  State state_ = State::Data;
};

}  // namespace ferrotap
