// SPDX-License-Identifier: MIT
#include "protocol/command_names.h"

namespace ferrotap {
namespace {

std::string_view Find(const std::map<int, std::string>& table, int code) {
  const auto found = table.find(code);
  return found == table.end() ? std::string_view() : std::string_view(found->second);
}

}  // namespace

std::string NameCommand(const CommandNames& names, int cmd, std::string_view data) {
  const std::string_view plain = Find(names.commands, cmd);
  if (!plain.empty() || names.exceptionFlag == 0 || (cmd & names.exceptionFlag) == 0) {
    return std::string(plain);
  }
  std::string text(Find(names.commands, cmd & ~names.exceptionFlag));
  if (!text.empty()) text += ' ';
  text += "exception";
  if (!data.empty()) {
    const std::string_view code = Find(names.exceptionCodes, static_cast<unsigned char>(data[0]));
    if (!code.empty()) text.append(": ").append(code);
  }
  return text;
}

CommandNames ModbusRtuCommandNames() {
  CommandNames names;
  names.commands = {
      {0x01, "read coils"},
      {0x02, "read discrete inputs"},
      {0x03, "read holding registers"},
      {0x04, "read input registers"},
      {0x05, "write single coil"},
      {0x06, "write single register"},
      {0x07, "read exception status"},
      {0x08, "diagnostics"},
      {0x0B, "get comm event counter"},
      {0x0C, "get comm event log"},
      {0x0F, "write multiple coils"},
      {0x10, "write multiple registers"},
      {0x11, "report server id"},
      {0x14, "read file record"},
      {0x15, "write file record"},
      {0x16, "mask write register"},
      {0x17, "read/write multiple registers"},
      {0x18, "read fifo queue"},
      {0x2B, "encapsulated interface transport"},
  };
  names.exceptionFlag = 0x80;
  names.exceptionCodes = {
      {0x01, "illegal function"},
      {0x02, "illegal data address"},
      {0x03, "illegal data value"},
      {0x04, "server device failure"},
      {0x05, "acknowledge"},
      {0x06, "server device busy"},
      {0x08, "memory parity error"},
      {0x0A, "gateway path unavailable"},
      {0x0B, "gateway target device failed to respond"},
  };
  return names;
}

}  // namespace ferrotap
