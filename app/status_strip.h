// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QWidget>
#include <array>

class QFrame;
class QLabel;
class QPushButton;

namespace ferrotap {

class PortLed;
class StatusLight;

// The strip below the pages: port A's line lamps, the port-open lamps, the settings and error
// status bars and the buttons that work from every page.
class StatusStrip : public QWidget {
  Q_OBJECT

 public:
  explicit StatusStrip(QWidget* parent = nullptr);

  static constexpr int kSettingsPanels = 6;

  // The six panels of SB1: line type, port numbers, bit rate, parity, data bits, stop bits.
  QString SB1Panel(int index) const;
  void SetSB1Panel(int index, const QString& text);

  QFrame* Panel2;
  StatusLight* CTSLED;
  QLabel* Label4;
  StatusLight* RTSLED;
  StatusLight* DSRLED;
  StatusLight* DCDLED;
  QLabel* Label5;
  StatusLight* DTRLED;
  StatusLight* RXLED;
  StatusLight* TXLED;
  QPushButton* SpeedButton1;

  PortLed* LEDCOMA;
  PortLed* LEDCOMB;

  QFrame* SB1;
  QLabel* SB2;
  QPushButton* SBERRCLEAR;
  QPushButton* SBCREALDWIN;
  QPushButton* SBRESPACK;

 private:
  QWidget* BuildLampPanel();
  QWidget* BuildSettingsBar();
  QWidget* PortLamp(PortLed*& led, const char* name, const QString& caption);

  std::array<QLabel*, kSettingsPanels> sb1Panels_{};
};

}  // namespace ferrotap
