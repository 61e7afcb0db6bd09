// SPDX-License-Identifier: MIT
#include "protocol/pdt_extension.h"

#include <cctype>
#include <optional>
#include <string_view>

#include "core/printable_text.h"
#include "serial/key_value.h"

namespace ferrotap {
namespace {

constexpr std::string_view kFramingKey = "Framing";
constexpr std::string_view kSilenceGapKey = "Silence_Gap";
constexpr std::string_view kSilenceUsesLenKey = "Silence_Use_LEN";
constexpr std::string_view kChecksumKindKey = "CKS_Kind";
constexpr std::string_view kByteOrderKey = "CKS_Byte_Order";
constexpr std::string_view kCommandNamesKey = "CMD_Names";
constexpr std::string_view kExceptionFlagKey = "Exception_Flag";
constexpr std::string_view kExceptionCodesKey = "Exception_Codes";

constexpr std::string_view kFramingTexts[] = {"By STX", "By silence"};
constexpr std::string_view kFlagTexts[] = {"False", "True"};
constexpr std::string_view kByteOrderTexts[] = {"Low byte first", "High byte first"};

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Index of `text` among `choices`, in any letter case.
template <std::size_t N>
std::optional<int> ChoiceIndex(std::string_view text, const std::string_view (&choices)[N]) {
  for (std::size_t i = 0; i < N; ++i) {
    if (EqualIgnoringCase(text, choices[i])) return static_cast<int>(i);
  }
  return std::nullopt;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

std::optional<int> ParseHexByte(std::string_view text) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  int value = 0;
  for (char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + digit;
  }
  return value;
}

std::string HexByte(int value) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

// "3.5" or "4": whole character times and at most one decimal.
std::optional<int> ParseTenths(std::string_view text) {
  const auto dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  const std::string_view fraction =
      dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  if (whole.empty() || whole.size() > 4) return std::nullopt;
  if (dot != std::string_view::npos && fraction.size() != 1) return std::nullopt;
  int tenths = 0;
  for (char c : whole) {
    if (c < '0' || c > '9') return std::nullopt;
    tenths = tenths * 10 + (c - '0');
  }
  tenths *= 10;
  if (!fraction.empty()) {
    if (fraction[0] < '0' || fraction[0] > '9') return std::nullopt;
    tenths += fraction[0] - '0';
  }
  if (tenths < kMinSilenceTenths || tenths > kMaxSilenceTenths) return std::nullopt;
  return tenths;
}

std::string TenthsText(int tenths) {
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::optional<std::map<int, std::string>> ParseNameTable(std::string_view text) {
  std::map<int, std::string> table;
  while (!text.empty()) {
    const auto end = text.find(';');
    const std::string_view entry = Trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (entry.empty()) continue;
    const auto blank = entry.find(' ');
    if (blank == std::string_view::npos) return std::nullopt;
    const std::optional<int> code = ParseHexByte(entry.substr(0, blank));
    const std::string_view name = Trimmed(entry.substr(blank));
    if (!code || !IsValidCommandName(name)) return std::nullopt;
    if (!table.emplace(*code, std::string(name)).second) return std::nullopt;
  }
  return table;
}

std::string NameTableText(const std::map<int, std::string>& table) {
  std::string text;
  for (const auto& [code, name] : table) {
    if (!text.empty()) text += "; ";
    text += HexByte(code) + " " + name;
  }
  return text;
}

}  // namespace

bool IsValidCommandName(std::string_view name) {
  if (name.empty() || name.size() > kMaxCommandNameLength) return false;
  if (name.front() == ' ' || name.back() == ' ') return false;
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == ';') return false;
  }
  return true;
}

std::vector<std::string> WritePdtExtensionLines(const PdtExtension& e) {
  const auto line = [](std::string_view key, std::string_view value) {
    return std::string(key) + "=" + std::string(value);
  };
  return {
      line(kFramingKey, kFramingTexts[e.framing == Framing::BySilence ? 1 : 0]),
      line(kSilenceGapKey, TenthsText(e.silenceTenths)),
      line(kSilenceUsesLenKey, kFlagTexts[e.silenceUsesLen ? 1 : 0]),
      line(kChecksumKindKey, ChecksumKindName(e.checksumKind)),
      line(kByteOrderKey, kByteOrderTexts[e.checksumOrder == ByteOrder::HighFirst ? 1 : 0]),
      line(kCommandNamesKey, NameTableText(e.commandNames.commands)),
      line(kExceptionFlagKey, HexByte(e.commandNames.exceptionFlag)),
      line(kExceptionCodesKey, NameTableText(e.commandNames.exceptionCodes)),
  };
}

PdtExtensionReadResult ReadPdtExtensionLines(std::span<const std::string> lines) {
  PdtExtensionReadResult result;
  PdtExtension& e = result.extension;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const std::string& text = lines[index];
    const auto eq = text.find('=');
    if (eq == std::string::npos) continue;
    const std::string_view key = Trimmed(std::string_view(text).substr(0, eq));
    const std::string_view value = Trimmed(std::string_view(text).substr(eq + 1));
    const auto fail = [&](std::string_view what) {
      result.failed = true;
      result.failedIndex = index;
      result.message.assign("'").append(PrintableLatin1(value)).append("' is not a valid ");
      result.message.append(what);
      return result;
    };
    if (EqualIgnoringCase(key, kFramingKey)) {
      const auto index = ChoiceIndex(value, kFramingTexts);
      if (!index) return fail("framing");
      e.framing = *index == 1 ? Framing::BySilence : Framing::ByStx;
    } else if (EqualIgnoringCase(key, kSilenceGapKey)) {
      const auto tenths = ParseTenths(value);
      if (!tenths) return fail("silence gap");
      e.silenceTenths = *tenths;
    } else if (EqualIgnoringCase(key, kSilenceUsesLenKey)) {
      const auto index = ChoiceIndex(value, kFlagTexts);
      if (!index) return fail("LEN choice");
      e.silenceUsesLen = *index == 1;
    } else if (EqualIgnoringCase(key, kChecksumKindKey)) {
      const auto kind = ParseChecksumKind(value);
      if (!kind) return fail("checksum kind");
      e.checksumKind = *kind;
    } else if (EqualIgnoringCase(key, kByteOrderKey)) {
      const auto index = ChoiceIndex(value, kByteOrderTexts);
      if (!index) return fail("byte order");
      e.checksumOrder = *index == 1 ? ByteOrder::HighFirst : ByteOrder::LowFirst;
    } else if (EqualIgnoringCase(key, kCommandNamesKey)) {
      auto table = ParseNameTable(value);
      if (!table) return fail("command name table");
      e.commandNames.commands = std::move(*table);
    } else if (EqualIgnoringCase(key, kExceptionFlagKey)) {
      const auto flag = ParseHexByte(value);
      if (!flag) return fail("exception flag");
      e.commandNames.exceptionFlag = *flag;
    } else if (EqualIgnoringCase(key, kExceptionCodesKey)) {
      auto table = ParseNameTable(value);
      if (!table) return fail("exception code table");
      e.commandNames.exceptionCodes = std::move(*table);
    }
  }
  return result;
}

}  // namespace ferrotap
