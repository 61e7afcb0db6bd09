// SPDX-License-Identifier: MIT
#pragma once

#include <span>
#include <string>
#include <vector>

#include "protocol/checksum.h"
#include "protocol/command_names.h"
#include "protocol/protocol_definition.h"

namespace ferrotap {

inline constexpr int kMinSilenceTenths = 10;
inline constexpr int kMaxSilenceTenths = 10000;
inline constexpr std::size_t kMaxCommandNameLength = 64;

// The protocol options that .pdt files carry after their first 23 lines. A file without them
// (every file written before they existed) describes the defaults: STX framing, sum mod 256.
struct PdtExtension {
  Framing framing = Framing::ByStx;
  int silenceTenths = 35;  // the gap that ends a frame, in tenths of a character time
  // Whether a frame found by silence carries a LEN byte. Framed by STX, the choice between
  // LEN and ETX stays with the first 23 lines.
  bool silenceUsesLen = true;
  ChecksumKind checksumKind = ChecksumKind::Sum8;
  ByteOrder checksumOrder = ByteOrder::LowFirst;
  CommandNames commandNames;

  bool operator==(const PdtExtension&) const = default;
};

// The appended lines, one per option, always all of them:
//   Framing=By STX                    or By silence
//   Silence_Gap=3.5                   character times, one decimal, 1.0 to 1000.0
//   Silence_Use_LEN=True              or False
//   CKS_Kind=Sum mod 256              a ChecksumKindName
//   CKS_Byte_Order=Low byte first     or High byte first; only kinds wider than a byte use it
//   CMD_Names=01 read coils; 03 read holding registers
//   Exception_Flag=80                 hex; 00 when replies carry no exception flag
//   Exception_Codes=01 illegal function; 02 illegal data address
// A table is "; "-separated entries of a hex code (one or two digits) and, after blanks, its
// name: 1 to 64 characters, no ';' and no control characters. Empty means no names.
//
// Unlike the first 23 lines, these are read by key (in any letter case) and in any order: a line
// whose key is not one of these is skipped, so a file that once carried anything after its 23rd
// line still reads as it always did, and an option missing from the file keeps its default.
std::vector<std::string> WritePdtExtensionLines(const PdtExtension& extension);

// A known key with a value it cannot take fails the reading with a message naming the value;
// `extension` is then incomplete and is not to be used.
struct PdtExtensionReadResult {
  PdtExtension extension;
  bool failed = false;
  std::string message;
  std::size_t failedIndex = 0;  // of the line in `lines`
};
PdtExtensionReadResult ReadPdtExtensionLines(std::span<const std::string> lines);

// A name a table line can carry and give back unchanged.
bool IsValidCommandName(std::string_view name);

}  // namespace ferrotap
