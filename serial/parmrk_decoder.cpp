// SPDX-License-Identifier: MIT
#include "serial/parmrk_decoder.h"

#include <cstring>

#include "serial/serial_types.h"

namespace ferrotap {

std::size_t ParmrkDecoder::Decode(char* data, std::size_t size, bool parity, uint8_t& errors) {
  std::size_t out = 0;
  for (std::size_t in = 0; in < size; ++in) {
    const auto byte = static_cast<uint8_t>(data[in]);
    switch (state_) {
      case State::Data: {
        // Plain data up to the next 0xFF moves in one piece (mostly it stays where it is).
        const void* mark = std::memchr(data + in, 0xFF, size - in);
        const std::size_t end =
            mark ? static_cast<std::size_t>(static_cast<const char*>(mark) - data) : size;
        if (out != in) std::memmove(data + out, data + in, end - in);
        out += end - in;
        in = end;
        if (mark) state_ = State::Escape;
        break;
      }
      case State::Escape:
        if (byte == 0) {
          state_ = State::Mark;
        } else {
          // "\377\377" is a data 0xFF. A lone 0xFF before another byte cannot come from the
          // driver; it is dropped, since passing it on could write past the bytes read when the
          // pair spans two reads.
          data[out++] = data[in];
          state_ = State::Data;
        }
        break;
      case State::Mark:
        if (byte == 0) {
          errors |= kLineBreak;
        } else {
          errors |= parity ? kLineParity : kLineFraming;
          data[out++] = data[in];
        }
        state_ = State::Data;
        break;
    }
  }
  return out;
}

}  // namespace ferrotap
