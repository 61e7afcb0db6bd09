#pragma once

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace ferrotap {

class ColorSwatch;
class EditableComboBox;

// The "  Com Setting  " page: the port settings are these controls; nothing reaches the ports
// before "Apply". Also holds the line-end choice and the data window colour editor.
class ComSettingPage : public QWidget {
  Q_OBJECT

 public:
  explicit ComSettingPage(QWidget* parent = nullptr);

  QCheckBox* CB2COM;
  EditableComboBox* CBPortA;
  QLabel* Label11;
  EditableComboBox* CBPORTB;
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

  QPushButton* BBCOMLOAD;
  QPushButton* BBCOMSAVE;
  QPushButton* BBCOMAPPLY;

 private:
  QWidget* BuildPortColumn();
  QWidget* BuildFlowColumn();
  QWidget* BuildHardwareFlowBox();
  QWidget* BuildSoftwareFlowBox();
  QWidget* BuildOptionsColumn();
};

}  // namespace ferrotap
