// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "protocol/packet_decoder.h"
#include "protocol/pdt_file.h"
#include "protocol/protocol_definition.h"

namespace ferrotap {

class ComSettingPage;
class Dialogs;
class ProtocolSettingPage;
class Session;
class StatusStrip;
class TerminalPage;

// The protocol controls of the window: Apply, the .pdt file, decoding on and off and "Res curr
// Pack". The definition and both decoders are the session's.
class ProtocolEngine : public QObject {
  Q_OBJECT

 public:
  // exeDir is where the file dialogs open.
  ProtocolEngine(ProtocolSettingPage& page, TerminalPage& terminal, const ComSettingPage& com,
                 StatusStrip& strip, Session& session, Dialogs& dialogs, const QString& exeDir);

  const ProtocolDefinition& Definition() const;
  PacketDecoder& DecoderA() const;
  PacketDecoder& DecoderB() const;

  void ApplyProtocolDefinition();
  void SaveProtocolFile(const QString& path);
  // Returns false when the file could not be read or a number in it was not an integer.
  bool LoadProtocolFile(const QString& path);
  // Loads and applies a shipped definition chosen from "Presets", by its item text.
  void LoadPreset(const QString& name);
  // Shows and applies a definition given as the text of a .pdt file; `name` names it in errors.
  void LoadProtocolText(std::string_view text, const std::string& name);
  void BBPRTAPPLYClick();
  void BBPROTSAVEClick();
  void BBPROTLOADClick();

  void CBDECPROTClick();
  void SBRESPACKClick();
  void ResetCurrentPacket(const Bytes& text);

 private:
  void CommandFieldToggled(bool on);
  // Shows what a .pdt read from `path` gave; false, with a message, when it did not read.
  bool TakeProtocolRead(const PdtReadResult& result, const std::string& path);

  ProtocolSettingPage& page_;
  TerminalPage& terminal_;
  const ComSettingPage& com_;
  StatusStrip& strip_;
  Session& session_;
  Dialogs& dialogs_;
  const QString& exeDir_;
};

}  // namespace ferrotap
