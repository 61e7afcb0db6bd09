// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace ferrotap {

// Text for a message: printable ASCII and well-formed UTF-8 stay as they are, every other byte
// (NUL, controls, a lone Latin-1 byte) reads as $XX. A NUL can then neither cut the message short
// nor hide what follows it.
std::string PrintableText(std::string_view bytes);

// The same for a Latin-1 value (a control's text, a line of a settings file): its letters become
// UTF-8, controls and the C1 range read as $XX.
std::string PrintableLatin1(std::string_view latin1);

}  // namespace ferrotap
