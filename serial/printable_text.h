#pragma once

#include <string>
#include <string_view>

namespace ferrotap {

// Text for a message: printable ASCII and well-formed UTF-8 stay as they are, every other byte
// (NUL, controls, a lone Latin-1 byte) reads as $XX. A NUL can then neither cut the message short
// nor hide what follows it.
std::string PrintableText(std::string_view bytes);

}  // namespace ferrotap
