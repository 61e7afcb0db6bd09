// SPDX-License-Identifier: MIT
#include "app/protocol_engine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <exception>

#include "app/dialogs.h"
#include "app/pages/com_setting_page.h"
#include "app/pages/protocol_setting_page.h"
#include "app/pages/terminal_page.h"
#include "app/status_strip.h"
#include "protocol/pdt_file.h"
#include "serial/key_value.h"
#include "session/session.h"

// Qt's resource initialiser must stand outside any namespace.
static void InitPresetResources() {
  Q_INIT_RESOURCE(presets);
}

namespace ferrotap {
namespace {

const QString kPdtFilter = "Protocol definition files (*.pdt)|*.pdt|All files (*.*)|*.*";
// The definitions the program ships, built into it so that the list works wherever it runs.
const QString kPresetFolder = ":/presets";

std::string FilePath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace

ProtocolEngine::ProtocolEngine(ProtocolSettingPage& page, TerminalPage& terminal,
                               const ComSettingPage& com, StatusStrip& strip, Session& session,
                               Dialogs& dialogs, const QString& exeDir)
    : page_(page),
      terminal_(terminal),
      com_(com),
      strip_(strip),
      session_(session),
      dialogs_(dialogs),
      exeDir_(exeDir) {
  connect(page.BBPRTAPPLY, &QPushButton::clicked, this, &ProtocolEngine::BBPRTAPPLYClick);
  connect(page.BBPROTSAVE, &QPushButton::clicked, this, &ProtocolEngine::BBPROTSAVEClick);
  connect(page.BBPROTLOAD, &QPushButton::clicked, this, &ProtocolEngine::BBPROTLOADClick);
  connect(&page, &ProtocolSettingPage::CommandFieldToggled, this,
          &ProtocolEngine::CommandFieldToggled);
  connect(terminal.CBDECPROT, &QCheckBox::toggled, this, &ProtocolEngine::CBDECPROTClick);
  connect(strip.SBRESPACK, &QPushButton::clicked, this, &ProtocolEngine::SBRESPACKClick);
  InitPresetResources();
  page.CBPRESETS->addItems(QDir(kPresetFolder).entryList({"*.pdt"}, QDir::Files, QDir::Name));
  connect(page.CBPRESETS, &QComboBox::activated, this, [this](int index) {
    if (index > 0) LoadPreset(page_.CBPRESETS->itemText(index));
    page_.CBPRESETS->setCurrentIndex(0);
  });
}

const ProtocolDefinition& ProtocolEngine::Definition() const {
  return session_.Definition();
}

PacketDecoder& ProtocolEngine::DecoderA() const {
  return session_.DecoderA();
}

PacketDecoder& ProtocolEngine::DecoderB() const {
  return session_.DecoderB();
}

void ProtocolEngine::ApplyProtocolDefinition() {
  session_.ApplyProtocolDefinition(page_.Settings());
  strip_.SBRESPACK->setVisible(session_.Definition().packTimeoutTicks == 0);
}

void ProtocolEngine::BBPRTAPPLYClick() {
  ApplyProtocolDefinition();
  page_.BBPRTAPPLY->setEnabled(false);
}

void ProtocolEngine::SaveProtocolFile(const QString& path) {
  WriteTextLines(FilePath(path), WritePdtLines(page_.Settings()));
}

bool ProtocolEngine::LoadProtocolFile(const QString& path) {
  PdtReadResult result;
  try {
    result = ReadPdtFile(FilePath(path), page_.Settings());
  } catch (const std::exception& error) {
    dialogs_.ShowError(QString::fromLocal8Bit(error.what()));
    return false;
  }
  return TakeProtocolRead(result, FilePath(path));
}

bool ProtocolEngine::TakeProtocolRead(const PdtReadResult& result, const std::string& path) {
  if (result.Failed()) {
    dialogs_.ShowError(QString::fromStdString(PdtFailureMessage(result, path)));
    return false;
  }
  page_.SetSettings(result.settings);
  return true;
}

void ProtocolEngine::LoadPreset(const QString& name) {
  QFile file(kPresetFolder + "/" + name);
  if (!file.open(QIODevice::ReadOnly)) {
    dialogs_.ShowError(file.errorString());
    return;
  }
  const QByteArray text = file.readAll();
  LoadProtocolText(std::string_view(text.constData(), text.size()), name.toStdString());
}

void ProtocolEngine::LoadProtocolText(std::string_view text, const std::string& name) {
  if (!TakeProtocolRead(ReadPdtLines(SplitTextLines(text), page_.Settings()), name)) return;
  ApplyProtocolDefinition();
  page_.BBPRTAPPLY->setEnabled(false);
}

void ProtocolEngine::BBPROTSAVEClick() {
  const std::optional<QString> path = dialogs_.SaveFileName({".pdt", exeDir_, kPdtFilter});
  if (!path) return;
  try {
    SaveProtocolFile(*path);
  } catch (const std::exception& error) {
    dialogs_.ShowError(QString::fromLocal8Bit(error.what()));
  }
}

void ProtocolEngine::BBPROTLOADClick() {
  const std::optional<QString> path = dialogs_.OpenFileName({".pdt", exeDir_, kPdtFilter});
  if (!path || !LoadProtocolFile(*path)) return;
  ApplyProtocolDefinition();
  page_.BBPRTAPPLY->setEnabled(false);
}

void ProtocolEngine::CBDECPROTClick() {
  TerminalPage& terminal = terminal_;
  const auto choices = {terminal.RBNOSIM, terminal.RBSIMMASTER, terminal.RBSIMSLAVE};
  if (terminal.CBDECPROT->isChecked()) {
    session_.DecodingStarted();
    if (!com_.CB2COM->isChecked() && page_.CBCMD->isChecked()) {
      for (QRadioButton* choice : choices) choice->setEnabled(true);
      if (terminal.RBSIMMASTER->isChecked()) terminal.GBCOMSIM->setVisible(true);
    }
  } else {
    terminal.RBNOSIM->setChecked(true);
    for (QRadioButton* choice : choices) choice->setEnabled(false);
    terminal.GBCOMSIM->setVisible(false);
  }
}

void ProtocolEngine::CommandFieldToggled(bool on) {
  TerminalPage& terminal = terminal_;
  const auto choices = {terminal.RBNOSIM, terminal.RBSIMMASTER, terminal.RBSIMSLAVE};
  if (on) {
    if (com_.CB2COM->isChecked() || !terminal.CBDECPROT->isChecked()) return;
    for (QRadioButton* choice : choices) choice->setEnabled(true);
  } else {
    terminal.RBNOSIM->setChecked(true);
    for (QRadioButton* choice : choices) choice->setEnabled(false);
  }
}

void ProtocolEngine::ResetCurrentPacket(const Bytes& text) {
  session_.ResetCurrentPacket(text);
}

void ProtocolEngine::SBRESPACKClick() {
  ResetCurrentPacket("Operator Reset");
}

}  // namespace ferrotap
