#include "app/protocol_engine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <exception>

#include "app/dialogs.h"
#include "app/widgets/editable_combo_box.h"
#include "app/main_window.h"
#include "core/render.h"
#include "app/status_strip.h"
#include "app/pages/terminal_page.h"
#include "protocol/pdt_file.h"
#include "app/pages/protocol_setting_page.h"
#include "app/window_protocol_output.h"
#include "app/pages/com_setting_page.h"
#include "serial/key_value.h"
#include "simulation/escape.h"

namespace ferrotap {
namespace {

const QString kPdtFilter = "Protocol definition files (*.pdt)|*.pdt|All files (*.*)|*.*";

void ParseChar(QLineEdit* edit, uint8_t& target, const char* message, Dialogs& dialogs) {
  if (const auto c = DecodeEscapedChar(edit->text().toLatin1().toStdString())) {
    target = *c;
  } else {
    dialogs.ShowError(message);
  }
}

std::string FilePath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace

ProtocolEngine::ProtocolEngine(MainWindow& window)
    : window_(window), text_(std::make_unique<WindowText>(window)) {
  outputA_ = std::make_unique<WindowProtocolOutput>(window, *text_, true);
  outputB_ = std::make_unique<WindowProtocolOutput>(window, *text_, false);
  decoderA_ = std::make_unique<PacketDecoder>(PacketDecoder::Port::A, *outputA_);
  decoderB_ = std::make_unique<PacketDecoder>(PacketDecoder::Port::B, *outputB_);

  ProtocolSettingPage& page = Page();
  connect(page.BBPRTAPPLY, &QPushButton::clicked, this, &ProtocolEngine::BBPRTAPPLYClick);
  connect(page.BBPROTSAVE, &QPushButton::clicked, this, &ProtocolEngine::BBPROTSAVEClick);
  connect(page.BBPROTLOAD, &QPushButton::clicked, this, &ProtocolEngine::BBPROTLOADClick);
  connect(&page, &ProtocolSettingPage::CommandFieldToggled, this,
          &ProtocolEngine::CommandFieldToggled);
  connect(window.Terminal()->CBDECPROT, &QCheckBox::toggled, this, &ProtocolEngine::CBDECPROTClick);
  connect(window.Strip()->SBRESPACK, &QPushButton::clicked, this, &ProtocolEngine::SBRESPACKClick);
}

ProtocolEngine::~ProtocolEngine() = default;

ProtocolSettingPage& ProtocolEngine::Page() const {
  return *window_.TabSheet2;
}

ProtocolOutput& ProtocolEngine::OutputA() {
  return *outputA_;
}

void ProtocolEngine::Flush() {
  text_->Flush();
  std::string error = outputA_->TakeSendError();
  if (!error.empty()) window_.GetDialogs().ShowError(QString::fromLocal8Bit(error.c_str()));
}

void ProtocolEngine::ApplyProtocolDefinition() {
  ProtocolSettingPage& page = Page();
  Dialogs& dialogs = window_.GetDialogs();
  ProtocolDefinition& d = definition_;
  ParseChar(page.EDSTX, d.STX_CHAR, "STX bad character !", dialogs);
  ParseChar(page.EDETX, d.ETX_CHAR, "ETX bad character !", dialogs);
  d.ID_MIN = page.SEIDMIN->value();
  d.ID_MAX = page.SEIDMAX->value();
  d.ID_SIM = page.SEIDSYM->value();
  ParseChar(page.EDACK, d.ACK_CHAR, "ACK bad character !", dialogs);
  ParseChar(page.EDNAK, d.NAK_CHAR, "NAK bad character !", dialogs);
  ParseChar(page.EDEOT, d.SYN_CHAR, "SYN bad character !", dialogs);
  d.LEN_MIN = page.SEMINLEN->value();
  d.LEN_MAX = page.SEMAXLEN->value();
  d.CMD_MIN = page.SECOMMIN->value();
  d.CMD_MAX = page.SECOMMAX->value();
  d.packTimeoutTicks = page.SETOPACK->value() * kTicksPerSecond;
  window_.Strip()->SBRESPACK->setVisible(d.packTimeoutTicks == 0);
  d.ackNakTimeoutTicks = page.SETOHS->value() * kTicksPerSecond;
  d.syncTimeoutTicks = page.SETOSYNC->value() * kTicksPerSecond;
}

void ProtocolEngine::BBPRTAPPLYClick() {
  ApplyProtocolDefinition();
  Page().BBPRTAPPLY->setEnabled(false);
}

void ProtocolEngine::SaveProtocolFile(const QString& path) {
  WriteTextLines(FilePath(path), WritePdtLines(Page().Settings()));
}

bool ProtocolEngine::LoadProtocolFile(const QString& path) {
  std::vector<std::string> lines;
  try {
    lines = ReadTextLines(FilePath(path));
  } catch (const std::exception& error) {
    window_.GetDialogs().ShowError(QString::fromLocal8Bit(error.what()));
    return false;
  }
  ProtocolSettingPage& page = Page();
  const PdtReadResult result = ReadPdtLines(lines, page.Settings());
  if (result.Failed()) {
    window_.GetDialogs().ShowError(
        QString::fromStdString(PdtFailureMessage(result, FilePath(path))));
    return false;
  }
  page.SetSettings(result.settings);
  return true;
}

void ProtocolEngine::BBPROTSAVEClick() {
  const std::optional<QString> path =
      window_.GetDialogs().SaveFileName({".pdt", window_.ExeDir(), kPdtFilter});
  if (!path) return;
  try {
    SaveProtocolFile(*path);
  } catch (const std::exception& error) {
    window_.GetDialogs().ShowError(QString::fromLocal8Bit(error.what()));
  }
}

void ProtocolEngine::BBPROTLOADClick() {
  const std::optional<QString> path =
      window_.GetDialogs().OpenFileName({".pdt", window_.ExeDir(), kPdtFilter});
  if (!path || !LoadProtocolFile(*path)) return;
  ApplyProtocolDefinition();
  Page().BBPRTAPPLY->setEnabled(false);
}

DecoderOptions ProtocolEngine::OptionsFor(PacketDecoder::Port port) const {
  const TerminalPage& terminal = *window_.Terminal();
  DecoderOptions options;
  options.protocol = Page().Options();
  const EditableComboBox* format =
      port == PacketDecoder::Port::A ? terminal.CBINDATAF : terminal.CBOUTDATAF;
  options.format = DisplayFormatFromIndex(format->currentIndex());
  options.lineBreak = window_.LineBreak();
  options.echo = terminal.CBECHO->isChecked();
  options.simulateSlave = terminal.RBSIMSLAVE->isChecked();
  return options;
}

void ProtocolEngine::DecodePortA(const Bytes& chunk) {
  decoderA_->Decode(chunk, definition_, OptionsFor(PacketDecoder::Port::A));
  Flush();
}

void ProtocolEngine::DecodePortB(const Bytes& chunk) {
  decoderB_->Decode(chunk, definition_, OptionsFor(PacketDecoder::Port::B));
  Flush();
}

void ProtocolEngine::SetPortATriggers(uint16_t packTrigger, uint16_t handShakeTrigger) {
  decoderA_->SetTriggers(packTrigger, handShakeTrigger);
}

void ProtocolEngine::SetPortBTrigger(uint16_t packTrigger) {
  decoderB_->SetTriggers(packTrigger, 0);
}

void ProtocolEngine::CP1TriggerTimer(uint16_t handle) {
  if (handle == decoderA_->State().packTrigger) {
    decoderA_->PackTimedOut(window_.LineBreak());
  } else if (handle == decoderA_->HandShakeTrigger()) {
    decoderA_->HandShakeTimedOut(window_.LineBreak());
  }
  Flush();
}

void ProtocolEngine::CP2TriggerTimer(uint16_t handle) {
  if (handle == decoderB_->State().packTrigger) decoderB_->PackTimedOut(window_.LineBreak());
  Flush();
}

void ProtocolEngine::CBDECPROTClick() {
  TerminalPage& terminal = *window_.Terminal();
  const auto choices = {terminal.RBNOSIM, terminal.RBSIMMASTER, terminal.RBSIMSLAVE};
  if (terminal.CBDECPROT->isChecked()) {
    decoderA_->State().ResetPacket();
    if (!window_.ComSetting()->CB2COM->isChecked() && Page().CBCMD->isChecked()) {
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
  TerminalPage& terminal = *window_.Terminal();
  const auto choices = {terminal.RBNOSIM, terminal.RBSIMMASTER, terminal.RBSIMSLAVE};
  if (on) {
    if (window_.ComSetting()->CB2COM->isChecked() || !terminal.CBDECPROT->isChecked()) return;
    for (QRadioButton* choice : choices) choice->setEnabled(true);
  } else {
    terminal.RBNOSIM->setChecked(true);
    for (QRadioButton* choice : choices) choice->setEnabled(false);
  }
}

void ProtocolEngine::ResetCurrentPacket(const Bytes& text) {
  decoderA_->ResetCurrentPacket(text, window_.LineBreak());
  Flush();
}

void ProtocolEngine::SBRESPACKClick() {
  ResetCurrentPacket("Operator Reset");
}

}  // namespace ferrotap
