// SPDX-License-Identifier: MIT
#include "protocol/pdt_file.h"

#include "serial/key_value.h"
#include "core/printable_text.h"

namespace ferrotap {

std::vector<std::string> WritePdtLines(const PdtSettings& s) {
  const auto number = [](int value) { return std::to_string(value); };
  return {
      "STX_CHAR=" + s.stxChar,
      "ETX_CHAR=" + s.etxChar,
      "Use_ETX=" + BoolText(s.useEtx),
      "Use_ID=" + BoolText(s.useId),
      "ID_MIN=" + number(s.idMin),
      "ID_MAX=" + number(s.idMax),
      "ID_SIM=" + number(s.idSim),
      "LEN_MIN=" + number(s.lenMin),
      "LEN_MAX=" + number(s.lenMax),
      "Use_CMD=" + BoolText(s.useCmd),
      "CMD_MIN=" + number(s.cmdMin),
      "CMD_MAX=" + number(s.cmdMax),
      "Invert_Nibble_in_answer=" + BoolText(s.swapNibble),
      "Use_Hand-Shake=" + BoolText(s.useHandShake),
      "ACK_CHAR=" + s.ackChar,
      "NAK_CHAR=" + s.nakChar,
      "SYN_CHAR=" + s.synChar,
      "Pack_TimeOut=" + number(s.packTimeout),
      "ACK-NAK_TimeOut=" + number(s.ackNakTimeout),
      "SYNC_TimeOut=" + number(s.syncTimeout),
      "Use_CKS=" + BoolText(s.useChecksum),
      std::string("SYNC_Type=") +
          kSyncTypeItems[s.syncType >= 0 && s.syncType <= 2 ? s.syncType : 0],
      "SYNC_Delay=" + number(s.syncDelay),
  };
}

PdtReadResult ReadPdtLines(const std::vector<std::string>& lines, const PdtSettings& current) {
  PdtReadResult result;
  result.settings = current;
  if (lines.size() < kPdtLineCount) {
    result.failedLine = static_cast<int>(lines.size()) + 1;
    result.lineMissing = true;
    return result;
  }
  PdtSettings s = current;
  for (int n = 1; n <= kPdtLineCount; ++n) {
    const std::string value = ValueAfterEquals(lines[static_cast<std::size_t>(n - 1)]);
    const auto integer = [&](int& target) {
      if (ParseIntegerValue(value, target)) return true;
      result.failedLine = n;
      result.badValue = value;
      return false;
    };
    bool ok = true;
    switch (n) {
      case 1:
        s.stxChar = value;
        break;
      case 2:
        s.etxChar = value;
        break;
      case 3:
        s.useEtx = IsTrueText(value);
        break;
      case 4:
        s.useId = IsTrueText(value);
        break;
      case 5:
        ok = integer(s.idMin);
        break;
      case 6:
        ok = integer(s.idMax);
        break;
      case 7:
        ok = integer(s.idSim);
        break;
      case 8:
        ok = integer(s.lenMin);
        break;
      case 9:
        ok = integer(s.lenMax);
        break;
      case 10:
        s.useCmd = IsTrueText(value);
        break;
      case 11:
        ok = integer(s.cmdMin);
        break;
      case 12:
        ok = integer(s.cmdMax);
        break;
      case 13:
        s.swapNibble = IsTrueText(value);
        break;
      case 14:
        s.useHandShake = IsTrueText(value);
        break;
      case 15:
        s.ackChar = value;
        break;
      case 16:
        s.nakChar = value;
        break;
      case 17:
        s.synChar = value;
        break;
      case 18:
        ok = integer(s.packTimeout);
        break;
      case 19:
        ok = integer(s.ackNakTimeout);
        break;
      case 20:
        ok = integer(s.syncTimeout);
        break;
      case 21:
        s.useChecksum = IsTrueText(value);
        break;
      case 22:
        s.syncType = value == kSyncTypeItems[0] ? 0 : value == kSyncTypeItems[1] ? 1 : 2;
        break;
      // The delay is not one of the checked numbers: a text that is no integer reads as the
      // control's minimum.
      case 23:
        if (!ParseIntegerValue(value, s.syncDelay)) s.syncDelay = 1;
        break;
    }
    if (!ok) return result;
  }
  result.settings = s;
  return result;
}

PdtReadResult ReadPdtFile(const std::string& path, const PdtSettings& current) {
  return ReadPdtLines(ReadTextLines(path), current);
}

std::string PdtFailureMessage(const PdtReadResult& result, const std::string& path) {
  const auto line = static_cast<std::size_t>(result.failedLine);
  if (result.lineMissing) {
    return FileMessage(
        "The file ends before its " + std::to_string(kPdtLineCount) + " lines; nothing was loaded",
        path, line);
  }
  // A control byte in the value would cut or garble the message: it is shown as $xx.
  return FileMessage("'" + PrintableText(result.badValue) + "' is not a valid integer value", path,
                     line);
}

}  // namespace ferrotap
