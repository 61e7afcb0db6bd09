// SPDX-License-Identifier: MIT
#pragma once

#include "core/bytes.h"

namespace ferrotap {

enum class LineEnd { None, Cr, CrLf };

// Typed strings and prepared commands get the chosen line end; files never do.
inline Bytes WithLineEnd(Bytes bytes, LineEnd end) {
  if (end == LineEnd::Cr) bytes += '\r';
  if (end == LineEnd::CrLf) bytes += "\r\n";
  return bytes;
}

}  // namespace ferrotap
