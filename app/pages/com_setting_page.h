// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "serial/cps_file.h"
#include "serial/port_list.h"
#include "serial/port_settings_choice.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;

namespace ferrotap {

class ColorSwatch;
class EditableComboBox;

// The "  Com Setting  " page: the port settings are these controls; nothing reaches the ports
// before "Apply". Also holds the line-end choice and the data window colour editor.
class ComSettingPage : public QWidget {
  Q_OBJECT

 public:
  explicit ComSettingPage(QWidget* parent = nullptr);

  // The settings the controls hold, with the colour set that goes into the same file.
  CpsSettings Settings(const ColorSet& colors) const;
  // What a file is read onto: the present numbers, check boxes and colours, and no texts.
  CpsSettings ReadBase(const ColorSet& colors) const;
  // Sets the controls in the order of the file's lines, so that their handlers run in that order
  // as they would for the user's clicks. An empty text leaves its control as the handlers of the
  // earlier lines left it (the RS-485 method excepted: its line is taken whole). The colours are
  // the caller's.
  void LoadSettings(const CpsSettings& settings);

  // Line parameters of port A and port B; throw std::runtime_error for texts that are not valid.
  PortLineSettings PortALine() const;
  PortLineSettings PortBLine() const;
  // The settings status bar's six panels; port B is named in spy mode.
  std::array<std::string, 6> StatusTexts() const;

  // Any change of a setting: nothing reaches the ports before "Apply".
  void CBPortAChange();
  void RBNOFLOWClick();
  void RBHFLOWClick();
  void RBSFLOWClick();
  void CB485Click();
  void CBOXRS485Change();
  // Five data bits go with one and a half stop bits.
  void CBDBChange();
  // Names the settings file read at start on the file buttons.
  void ShowStartupFile(const QString& path);
  // This page's part of switching spy mode on or off.
  void ShowSpyMode(bool spy);

  // The port lists offer these numbers, each with what it reaches. The texts stay numbers, as
  // the settings file keeps them; a list is not rebuilt while it is open.
  void ShowPortChoices(const std::vector<PortChoice>& choices);
  // What the port lists are filled from: asked at once and every second while the page shows,
  // so that a device plugged in meanwhile appears.
  void SetPortScan(std::function<std::vector<PortChoice>()> scan);
  void ScanPorts();

  QCheckBox* CB2COM;
  EditableComboBox* CBPortA;
  // The device each port number maps to and what is there.
  QLabel* LBPortADevice;
  QLabel* Label11;
  EditableComboBox* CBPORTB;
  QLabel* LBPortBDevice;
  EditableComboBox* CBBR;
  EditableComboBox* CBDB;
  EditableComboBox* CBPAR;
  EditableComboBox* CBSTOPB;
  QSpinBox* SEINBUF;
  QSpinBox* SEOUTBUF;

  QGroupBox* GBSETFLOW;
  QRadioButton* RBNOFLOW;
  QRadioButton* RBHFLOW;
  QRadioButton* RBSFLOW;
  QGroupBox* GBHF;
  QSpinBox* SEHFBFULL;
  QSpinBox* SEHFBRESUME;
  QCheckBox* RBUSERTS;
  QCheckBox* RBUSEDTR;
  QCheckBox* RBREQCTS;
  QCheckBox* RBREQDSR;
  QGroupBox* GBSF;
  EditableComboBox* CBSFFOR;
  QLineEdit* EDXON;
  QLineEdit* EDXOFF;

  QCheckBox* CB485;
  EditableComboBox* CBOXRS485;

  QRadioButton* RBCR;
  QRadioButton* RBCRLF;

  QGroupBox* GroupBox1;
  EditableComboBox* CBWCOLOR;
  ColorSwatch* BLOCOL;

  QLabel* LBCOMFILES;
  QPushButton* BBCOMLOAD;
  QPushButton* BBCOMSAVE;
  QPushButton* BBCOMAPPLY;

 signals:
  // The port lists changed.
  void PortChoicesShown();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QWidget* BuildPortColumn();
  QWidget* BuildFlowColumn();
  QWidget* BuildHardwareFlowBox();
  QWidget* BuildSoftwareFlowBox();
  QWidget* BuildOptionsColumn();
  void ConnectHandlers();
  void ShowFlowOptions();

  std::function<std::vector<PortChoice>()> portScan_;
  std::vector<PortChoice> portChoices_;
  QTimer* portScanTimer_;
  // A click on a box of a pair is the user's choice: the pair is no longer open.
  bool outCriteriaOpen_ = false;
  bool inCriteriaOpen_ = false;
};

}  // namespace ferrotap
