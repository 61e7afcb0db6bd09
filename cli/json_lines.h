// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <string>

#include "core/bytes.h"
#include "protocol/decoded_packet.h"
#include "session/session_output.h"

namespace ferrotap {

// One JSON object a line, for scripts: {"port":"A","time":1765214401.123456,"bytes":"0141"} for
// a chunk as read, or the fields of a framed packet: "stx", "id", "len", "cmd" as numbers (null
// when the protocol has no such field), "data" as hex, "cks" "ok", "error" or "missing" (null
// when unused) and "range" "ok" or "out". time is the read time in seconds since 1970 (UTC).
std::string JsonBytesLine(SessionPort port, std::chrono::system_clock::time_point time,
                          const Bytes& bytes);
std::string JsonPacketLine(SessionPort port, std::chrono::system_clock::time_point time,
                           const DecodedPacket& packet);

}  // namespace ferrotap
