// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

#include "protocol/pdt_file.h"
#include "protocol/protocol_definition.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace ferrotap {

// The "  Protocol Setting  " tab: the packet protocol's characters, field options, valid ranges,
// hand-shake, time-outs and the "Packets format" picture of the packet they imply.
class ProtocolSettingPage : public QWidget {
  Q_OBJECT

 public:
  explicit ProtocolSettingPage(QWidget* parent = nullptr);

  // Packs the visible field boxes of "Packets format" from the left, each size box above its
  // field; the hand-shake and SYNC boxes keep their own place to the right.
  void UpdatePacketFormatLayout();

  // Display rules of the option check boxes and radio buttons; each ends with the layout.
  void CBIDClick();
  void RBLENClick();
  void CBCMDClick();
  void CBHSClick();
  void CBUSECKSClick();
  void UpdateSyncTypeDisplay();
  // Framing by STX or by silence, and the checksum's kind: which controls and boxes apply.
  void UpdateFieldBusDisplay();

  // The live options as the controls hold them now.
  ProtocolOptions Options() const;
  // The controls as a .pdt file carries them, and back in line order, each check box and radio
  // button running its display rule.
  PdtSettings Settings() const;
  void SetSettings(const PdtSettings& settings);

 signals:
  // The command field was switched on or off: the simulation choices depend on it.
  void CommandFieldToggled(bool on);

 public:
  // Protocol characters, in escape syntax.
  QLineEdit* EDSTX;
  QLineEdit* EDETX;
  QLineEdit* EDACK;
  QLineEdit* EDNAK;
  QLineEdit* EDEOT;

  // Ranges and time-outs.
  QSpinBox* SEIDMIN;
  QSpinBox* SEIDMAX;
  QSpinBox* SEIDSYM;
  QSpinBox* SEMINLEN;
  QSpinBox* SEMAXLEN;
  QSpinBox* SECOMMIN;
  QSpinBox* SECOMMAX;
  QSpinBox* SETOPACK;
  QSpinBox* SETOHS;
  QSpinBox* SETOSYNC;
  QSpinBox* SEDELSYN;

  // Live options.
  QCheckBox* CBID;
  QRadioButton* RBLEN;
  QRadioButton* RBETX;
  QCheckBox* CBCMD;
  QCheckBox* CBNIBBLE;
  QCheckBox* CBHS;
  QComboBox* CBEOT;
  QCheckBox* CBUSECKS;
  // Framing and checksum: by STX or by silence of SESILENCE character times, LEN in a frame found
  // by silence, the checksum's kind and the byte order of the wider ones.
  QComboBox* CBFRAMING;
  QDoubleSpinBox* SESILENCE;
  QCheckBox* CBSILENCELEN;
  QComboBox* CBCKSKIND;
  QComboBox* CBCKSORDER;
  // The shipped definitions; choosing one loads it.
  QComboBox* CBPRESETS;

  QLabel* Label13;
  QLabel* Label29;
  QLabel* Label46;
  QLabel* Label14;
  QLabel* Label19;
  QLabel* Label57;
  QLabel* Label21;
  QLabel* Label22;
  QLabel* Label25;
  QLabel* Label26;
  QLabel* Label27;
  QLabel* Label28;
  QLabel* Label23;
  QLabel* Label42;
  QLabel* Label9;
  QLabel* Label41;
  QLabel* Label47;
  QLabel* Label43;

  QPushButton* BBPRTAPPLY;
  QPushButton* BBPROTSAVE;
  QPushButton* BBPROTLOAD;

  // "Packets format": one field box per packet field, its size box above it.
  QLabel* STSTX;
  QLabel* STID;
  QLabel* STLEN;
  QLabel* STCMD;
  QLabel* STDATA;
  QLabel* STCKS;
  QLabel* STETX;
  QLabel* STHS;
  QLabel* STSYN;
  QLabel* STCSTX;
  QLabel* STCID;
  QLabel* STCLEN;
  QLabel* STCCMD;
  QLabel* STCDATA;
  QLabel* STCCKS;
  QLabel* STCETX;
  QLabel* STCHS;
  QLabel* STCSYN;

 private:
  QWidget* BuildRangeColumn();
  QWidget* BuildHandShakeColumn();
  QGroupBox* BuildPacketsFormat();
  void ConnectDisplayRules();

  // The CMD names of the definition last loaded; no control shows them, a save keeps them.
  CommandNames commandNames_;
};

}  // namespace ferrotap
