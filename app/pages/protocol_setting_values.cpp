// SPDX-License-Identifier: MIT
// The Protocol Setting page's controls as values and back: the live options, the .pdt settings.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>
#include <functional>
#include <iterator>
#include <string>

#include "app/pages/protocol_setting_page.h"

namespace ferrotap {
namespace {

std::string Latin1(const QLineEdit* edit) {
  return edit->text().toLatin1().toStdString();
}

}  // namespace

ProtocolOptions ProtocolSettingPage::Options() const {
  ProtocolOptions o;
  o.useId = CBID->isChecked();
  o.endByLength = RBLEN->isChecked();
  o.useCmd = CBCMD->isChecked();
  o.swapNibble = CBNIBBLE->isChecked();
  o.useHandShake = CBHS->isChecked();
  const int type = CBEOT->currentIndex();
  o.syncType = type == 1 ? SyncType::Character : type == 2 ? SyncType::RtsCts : SyncType::None;
  o.useChecksum = CBUSECKS->isChecked();
  o.syncDelayMs = SEDELSYN->value();
  o.framing = CBFRAMING->currentIndex() == 1 ? Framing::BySilence : Framing::ByStx;
  o.silenceTenths = static_cast<int>(SESILENCE->value() * 10 + 0.5);
  o.silenceUsesLen = CBSILENCELEN->isChecked();
  o.checksumKind = kChecksumKinds[std::max(0, CBCKSKIND->currentIndex())];
  o.checksumOrder = CBCKSORDER->currentIndex() == 1 ? ByteOrder::HighFirst : ByteOrder::LowFirst;
  return o;
}

PdtSettings ProtocolSettingPage::Settings() const {
  PdtSettings s;
  s.stxChar = Latin1(EDSTX);
  s.etxChar = Latin1(EDETX);
  s.useEtx = RBETX->isChecked();
  s.useId = CBID->isChecked();
  s.idMin = SEIDMIN->value();
  s.idMax = SEIDMAX->value();
  s.idSim = SEIDSYM->value();
  s.lenMin = SEMINLEN->value();
  s.lenMax = SEMAXLEN->value();
  s.useCmd = CBCMD->isChecked();
  s.cmdMin = SECOMMIN->value();
  s.cmdMax = SECOMMAX->value();
  s.swapNibble = CBNIBBLE->isChecked();
  s.useHandShake = CBHS->isChecked();
  s.ackChar = Latin1(EDACK);
  s.nakChar = Latin1(EDNAK);
  s.synChar = Latin1(EDEOT);
  s.packTimeout = SETOPACK->value();
  s.ackNakTimeout = SETOHS->value();
  s.syncTimeout = SETOSYNC->value();
  s.useChecksum = CBUSECKS->isChecked();
  s.syncType = CBEOT->currentIndex();
  s.syncDelay = SEDELSYN->value();
  const ProtocolOptions o = Options();
  s.extension.framing = o.framing;
  s.extension.silenceTenths = o.silenceTenths;
  s.extension.silenceUsesLen = o.silenceUsesLen;
  s.extension.checksumKind = o.checksumKind;
  s.extension.checksumOrder = o.checksumOrder;
  s.extension.commandNames = commandNames_;
  return s;
}

void ProtocolSettingPage::SetSettings(const PdtSettings& s) {
  const auto text = [](QLineEdit* edit, const std::string& value) {
    edit->setText(QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size())));
  };
  // Setting the line's control in file order: a later line may undo an earlier line's rule.
  const std::function<void()> lines[kPdtLineCount] = {
      [&] { text(EDSTX, s.stxChar); },
      [&] { text(EDETX, s.etxChar); },
      [&] { (s.useEtx ? RBETX : RBLEN)->setChecked(true); },
      [&] { CBID->setChecked(s.useId); },
      [&] { SEIDMIN->setValue(s.idMin); },
      [&] { SEIDMAX->setValue(s.idMax); },
      [&] { SEIDSYM->setValue(s.idSim); },
      [&] { SEMINLEN->setValue(s.lenMin); },
      [&] { SEMAXLEN->setValue(s.lenMax); },
      [&] { CBCMD->setChecked(s.useCmd); },
      [&] { SECOMMIN->setValue(s.cmdMin); },
      [&] { SECOMMAX->setValue(s.cmdMax); },
      [&] { CBNIBBLE->setChecked(s.swapNibble); },
      [&] { CBHS->setChecked(s.useHandShake); },
      [&] { text(EDACK, s.ackChar); },
      [&] { text(EDNAK, s.nakChar); },
      [&] { text(EDEOT, s.synChar); },
      [&] { SETOPACK->setValue(s.packTimeout); },
      [&] { SETOHS->setValue(s.ackNakTimeout); },
      [&] { SETOSYNC->setValue(s.syncTimeout); },
      [&] { CBUSECKS->setChecked(s.useChecksum); },
      [&] {
        CBEOT->setCurrentIndex(s.syncType);
        UpdateSyncTypeDisplay();
      },
      [&] { SEDELSYN->setValue(s.syncDelay); },
  };
  for (const auto& line : lines) line();
  const PdtExtension& e = s.extension;
  CBFRAMING->setCurrentIndex(e.framing == Framing::BySilence ? 1 : 0);
  SESILENCE->setValue(e.silenceTenths / 10.0);
  CBSILENCELEN->setChecked(e.silenceUsesLen);
  for (std::size_t i = 0; i < std::size(kChecksumKinds); ++i) {
    if (kChecksumKinds[i] == e.checksumKind) CBCKSKIND->setCurrentIndex(static_cast<int>(i));
  }
  CBCKSORDER->setCurrentIndex(e.checksumOrder == ByteOrder::HighFirst ? 1 : 0);
  commandNames_ = e.commandNames;
  UpdateFieldBusDisplay();
}

}  // namespace ferrotap
