// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "core/capture_log_reader.h"

namespace ferrotap {

class Session;

// Plays a capture log back through the session as the data was received: the chunks read on
// ports A and B and the echo of what was sent, with their read times. Returns where reading
// stopped; its message is empty after a clean end.
CaptureLogStop ReplayCaptureLog(Session& session, const std::string& path);

}  // namespace ferrotap
