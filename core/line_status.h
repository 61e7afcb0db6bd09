// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace ferrotap {

// "PortA Err 4 : Framing - LineBreak": the text the error status line shows for a line error.
std::string LineErrorText(char portLetter, int error, bool lineBreak);

}  // namespace ferrotap
