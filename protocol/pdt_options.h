// SPDX-License-Identifier: MIT
#pragma once

#include "protocol/pdt_file.h"
#include "protocol/protocol_definition.h"

namespace ferrotap {

// The live protocol options that the settings of a .pdt file (or of the Protocol Setting page)
// choose.
ProtocolOptions ProtocolOptionsOf(const PdtSettings& settings);

}  // namespace ferrotap
