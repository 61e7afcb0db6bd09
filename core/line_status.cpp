// SPDX-License-Identifier: MIT
#include "core/line_status.h"

namespace ferrotap {

std::string LineErrorText(char portLetter, int error, bool lineBreak) {
  std::string text = std::string("Port") + portLetter + " Err " + std::to_string(error);
  switch (error) {
    case 2:
      text += " : Overrun";
      break;
    case 3:
      text += " : Parity";
      break;
    case 4:
      text += " : Framing";
      break;
    default:
      break;
  }
  if (lineBreak) text += " - LineBreak";
  return text;
}

}  // namespace ferrotap
