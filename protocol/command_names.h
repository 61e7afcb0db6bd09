// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace ferrotap {

// Names a protocol definition gives to its CMD values, so the decoded line can say what a packet
// is. Protocols in the Modbus style answer a failed request with the request's CMD plus a flag bit
// and an exception code in the first data byte; `exceptionFlag` (0: none) and `exceptionCodes`
// name those replies.
struct CommandNames {
  std::map<int, std::string> commands;
  int exceptionFlag = 0;
  std::map<int, std::string> exceptionCodes;

  bool empty() const { return commands.empty() && exceptionFlag == 0 && exceptionCodes.empty(); }
  bool operator==(const CommandNames&) const = default;
};

// The name of a packet with this CMD and data, or an empty text when the table has none.
// A CMD named in `commands` takes that name even when it carries the exception flag. An exception
// reply reads "<request name> exception: <code name>", leaving out the parts the table cannot name.
std::string NameCommand(const CommandNames& names, int cmd, std::string_view data);

// The public function codes of Modbus RTU and its exception codes.
CommandNames ModbusRtuCommandNames();

}  // namespace ferrotap
