// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace ferrotap {

// Any byte values, length known. Text for the data window is Latin-1: one byte, one character.
using Bytes = std::string;

}  // namespace ferrotap
