// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

#include "core/time_stamp.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QAction;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace ferrotap {

class DataWindow;
class EditableComboBox;
class FindBar;

// The "  Terminal  " page: the data window, the transmit box, the decoding and simulation choices
// and the two display-format selectors. Controls carry their form names, as members and as
// objectName, so handlers and tests reach them by name.
class TerminalPage : public QWidget {
  Q_OBJECT

 public:
  explicit TerminalPage(QWidget* parent = nullptr);

  QFrame* Panel3;
  DataWindow* REA;
  // Ctrl+F: the search row under the data window.
  FindBar* PNFIND;

  QGroupBox* GBFLYTX;
  QLineEdit* EDFLYTX;
  QMenu* PopupMenu2;
  QAction* Loadfromfile1;
  QAction* Savetofile2;
  QPushButton* BBFLYTX;
  QPushButton* BBTXFILE;
  QCheckBox* CBADDCRLF;
  QCheckBox* CBUSEAC;
  QLabel* Label52;
  QComboBox* CBOXAC;
  QPushButton* BBACTX;
  // Shown while a file is being sent: bytes sent of the total, and the button that stops it.
  QProgressBar* PBTXFILE;
  QPushButton* BBTXSTOP;

  QCheckBox* CBDECPROT;
  QRadioButton* RBNOSIM;
  QRadioButton* RBSIMMASTER;
  QRadioButton* RBSIMSLAVE;
  QLabel* Label39;
  EditableComboBox* CBINDATAF;
  QLabel* Label8;
  EditableComboBox* CBOUTDATAF;
  QCheckBox* CBECHO;
  // The view stops following new data while capture goes on.
  QPushButton* BBPAUSE;
  // Time stamps, lines by idle gap, the capture log.
  QLabel* LBTIMESTAMP;
  EditableComboBox* CBOXTIMESTAMP;
  QCheckBox* CBIDLEGAP;
  QLineEdit* EDIDLEGAP;
  QPushButton* BBLOGFILE;
  QPushButton* BBOPENLOG;
  // A log started from now on holds the text as shown besides the bytes.
  QCheckBox* CBLOGTEXT;
  // The stamps chosen; none while the box shows no item.
  TimeStampMode TimeStamps() const;

  QGroupBox* GBCOMSIM;
  QSpinBox* SESIMCOMM;
  QPushButton* SBSIMCOMM;

 private:
  QWidget* BuildTransmitBox();
  QWidget* BuildSideColumn();
};

}  // namespace ferrotap
