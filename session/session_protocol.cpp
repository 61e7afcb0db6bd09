// SPDX-License-Identifier: MIT
#include <memory>

#include "session/session.h"
#include "session/session_parts.h"
#include "simulation/escape.h"

namespace ferrotap {
namespace {

// A bad character leaves the one before in force.
void ParseChar(const std::string& text, uint8_t& target, const char* message,
               SessionOutput& output) {
  if (const auto c = DecodeEscapedChar(text)) {
    target = *c;
  } else {
    output.Error(message);
  }
}

}  // namespace

void Session::ApplyProtocolDefinition(const PdtSettings& s) {
  ProtocolDefinition& d = definition_;
  ParseChar(s.stxChar, d.STX_CHAR, "STX bad character !", output_);
  ParseChar(s.etxChar, d.ETX_CHAR, "ETX bad character !", output_);
  d.ID_MIN = s.idMin;
  d.ID_MAX = s.idMax;
  d.ID_SIM = s.idSim;
  ParseChar(s.ackChar, d.ACK_CHAR, "ACK bad character !", output_);
  ParseChar(s.nakChar, d.NAK_CHAR, "NAK bad character !", output_);
  ParseChar(s.synChar, d.SYN_CHAR, "SYN bad character !", output_);
  d.LEN_MIN = s.lenMin;
  d.LEN_MAX = s.lenMax;
  d.CMD_MIN = s.cmdMin;
  d.CMD_MAX = s.cmdMax;
  d.packTimeoutTicks = s.packTimeout * kTicksPerSecond;
  d.ackNakTimeoutTicks = s.ackNakTimeout * kTicksPerSecond;
  d.syncTimeoutTicks = s.syncTimeout * kTicksPerSecond;
  const CommandNames& names = s.extension.commandNames;
  d.commandNames = names.empty() ? nullptr : std::make_shared<const CommandNames>(names);
}

}  // namespace ferrotap
