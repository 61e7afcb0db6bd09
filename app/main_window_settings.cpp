// SPDX-License-Identifier: MIT
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <exception>

#include "app/widgets/color_swatch.h"
#include "app/data_window.h"
#include "app/dialogs.h"
#include "app/widgets/editable_combo_box.h"
#include "app/main_window.h"
#include "app/qt_color.h"
#include "core/readable_color.h"
#include "app/status_strip.h"
#include "app/pages/terminal_page.h"
#include "app/pages/protocol_setting_page.h"
#include "app/pages/com_setting_page.h"
#include "core/capture_options.h"
#include "serial/capture_settings_file.h"
#include "serial/cps_file.h"
#include "serial/key_value.h"

namespace ferrotap {
namespace {

const QString kCpsExtension = QStringLiteral(".cps");
const QString kCpsFilter =
    QStringLiteral("ComPort configuration files (*.cps)|*.cps|All files (*.*)|*.*");

std::string FileName(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace

void MainWindow::ConnectSettingsPage() {
  ComSettingPage* page = TabSheet3;
  connect(page->CB2COM, &QCheckBox::toggled, this, &MainWindow::CB2COMClick);
  connect(page->CB485, &QCheckBox::toggled, this, &MainWindow::ShowRtsLabelMode);
  connect(page->BBCOMSAVE, &QPushButton::clicked, this, &MainWindow::BBCOMSAVEClick);
  connect(page->BBCOMLOAD, &QPushButton::clicked, this, &MainWindow::BBCOMLOADClick);
  connect(page->BBCOMAPPLY, &QPushButton::clicked, this, &MainWindow::BBCOMAPPLYClick);
  // The display formats share the data-bits rule with the data-bits box itself.
  for (EditableComboBox* format : {TabSheet1->CBINDATAF, TabSheet1->CBOUTDATAF}) {
    connect(format, &QComboBox::editTextChanged, page, &ComSettingPage::CBDBChange);
  }
  connect(TabSheet1->EDIDLEGAP, &QLineEdit::editingFinished, this, &MainWindow::EDIDLEGAPExit);
}

void MainWindow::ReadOrWriteStartupSettings() {
  TabSheet3->ShowStartupFile(cpsPath_);
  // Runs inside the constructor, before any event loop can report an error: report it here and
  // let the window come up with the controls as they are.
  try {
    if (QFile::exists(cpsPath_)) {
      ReadCpsFile(cpsPath_);
      TabSheet3->BBCOMAPPLY->setEnabled(false);
    } else {
      // Capture settings made without a .cps file stay as they are.
      ReadCaptureSettingsBeside(cpsPath_);
      WriteCpsFile(cpsPath_);
    }
  } catch (const std::exception& error) {
    dialogs_->ShowError(QString::fromLocal8Bit(error.what()));
  }
}

void MainWindow::ReadCpsFile(const QString& path) {
  const CpsFileRead read =
      ferrotap::ReadCpsFile(FileName(path), TabSheet3->ReadBase(ColorsForFile(colors_, paletteDefaults_)));
  TabSheet3->LoadSettings(read.settings);
  colors_ = ColorsForPalette(read.settings.colors, paletteDefaults_);
  CBWCOLORChange();
  if (!read.warning.empty()) dialogs_->ShowError(QString::fromStdString(read.warning));
  ReadCaptureSettingsBeside(path);
}

void MainWindow::ReadCaptureSettingsBeside(const QString& cpsPath) {
  // A .cps file without capture settings beside it leaves them as they are.
  const std::string capturePath = CaptureSettingsPath(FileName(cpsPath));
  if (!QFile::exists(QString::fromStdString(capturePath))) return;
  std::vector<std::string> problems;
  ShowCaptureSettings(
      ReadCaptureSettingsLines(ReadTextLines(capturePath), ShownCaptureSettings(), problems));
  for (const std::string& problem : problems) {
    dialogs_->ShowError(QString::fromStdString(FileMessage(problem, capturePath)));
  }
}

void MainWindow::WriteCpsFile(const QString& path) const {
  WriteTextLines(FileName(path),
                 WriteCpsLines(TabSheet3->Settings(ColorsForFile(colors_, paletteDefaults_))));
  WriteTextLines(CaptureSettingsPath(FileName(path)),
                 WriteCaptureSettingsLines(ShownCaptureSettings()));
}

CaptureSettings MainWindow::ShownCaptureSettings() const {
  CaptureSettings s;
  s.timeStamps = TabSheet1->TimeStamps();
  s.idleGapOn = TabSheet1->CBIDLEGAP->isChecked();
  const Parsed<IdleGap> gap = ParseIdleGap(TabSheet1->EDIDLEGAP->text().toStdString());
  if (gap.ok()) s.idleGap = gap.value;
  s.timeStampColor = ColorsForFile(colors_, paletteDefaults_)[ColorRole::TimeStamp];
  s.logShownText = TabSheet1->CBLOGTEXT->isChecked();
  s.dataWindowMemoryMB = dataWindowMemoryMB_;
  return s;
}

void MainWindow::ShowCaptureSettings(const CaptureSettings& s) {
  TabSheet1->CBOXTIMESTAMP->setCurrentIndex(static_cast<int>(s.timeStamps));
  TabSheet1->CBIDLEGAP->setChecked(s.idleGapOn);
  TabSheet1->EDIDLEGAP->setText(QString::fromStdString(FormatIdleGap(s.idleGap)));
  TabSheet1->CBLOGTEXT->setChecked(s.logShownText);
  ColorSet stored = ColorsForFile(colors_, paletteDefaults_);
  stored[ColorRole::TimeStamp] = s.timeStampColor;
  colors_ = ColorsForPalette(stored, paletteDefaults_);
  CBWCOLORChange();
  ApplyDataWindowMemory(s.dataWindowMemoryMB);
}

// A gap that does not read is reported and the last good one comes back.
void MainWindow::EDIDLEGAPExit() {
  QLineEdit* edit = TabSheet1->EDIDLEGAP;
  const Parsed<IdleGap> gap = ParseIdleGap(edit->text().trimmed().toStdString());
  if (gap.ok()) {
    edit->setText(QString::fromStdString(FormatIdleGap(gap.value)));
    lastIdleGap_ = gap.value;
    return;
  }
  edit->setText(QString::fromStdString(FormatIdleGap(lastIdleGap_)));
  dialogs_->ShowError(QString::fromStdString(gap.error));
}

void MainWindow::BBCOMSAVEClick() {
  // Beside the file read at start, so that saving over it keeps the settings for the next start.
  const std::optional<QString> path =
      dialogs_->SaveFileName({kCpsExtension, settingsDir_, kCpsFilter});
  if (path) WriteCpsFile(*path);
}

void MainWindow::BBCOMLOADClick() {
  const std::optional<QString> path =
      dialogs_->OpenFileName({kCpsExtension, settingsDir_, kCpsFilter});
  // Disabled before the ports open, so that a port failing to open can leave it enabled.
  TabSheet3->BBCOMAPPLY->setEnabled(false);
  if (!path) return;
  ReadCpsFile(*path);
  TabSheet3->BBCOMAPPLY->setEnabled(false);
  ClosePorts();
  ApplyPortSettings();
}

void MainWindow::BBCOMAPPLYClick() {
  TabSheet3->BBCOMAPPLY->setEnabled(false);
  ClosePorts();
  ApplyPortSettings();
}

void MainWindow::ShowRtsLabelMode(bool rs485) {
  // In RS-485 mode the transmit routine owns RTS: the label stops looking like a button.
  QLabel* label = strip_->Label4;
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, rs485 ? CaptionColor(QColor(0, 0, 128), palette)
                                               : QPalette().color(QPalette::WindowText));
  label->setPalette(palette);
  label->setCursor(rs485 ? Qt::ArrowCursor : Qt::PointingHandCursor);
}

void MainWindow::CB2COMClick() {
  ComSettingPage* settings = TabSheet3;
  TerminalPage* terminal = TabSheet1;
  // The mode takes effect on the ports only when the settings are applied.
  settings->CBPortAChange();
  const bool spy = settings->CB2COM->isChecked();
  settings->ShowSpyMode(spy);
  if (spy) {
    terminal->RBNOSIM->setChecked(true);
    for (QRadioButton* choice : {terminal->RBNOSIM, terminal->RBSIMMASTER, terminal->RBSIMSLAVE}) {
      choice->setEnabled(false);
    }
    // The data window's panel grows into the space the hidden box leaves.
    terminal->GBFLYTX->setVisible(false);
    terminal->CBECHO->setEnabled(false);
    terminal->Label39->setText("COMA Data Format");
    terminal->Label8->setText("COMB Data Format");
    terminal->GBCOMSIM->setVisible(false);
    return;
  }
  if (terminal->CBDECPROT->isChecked() && TabSheet2->CBCMD->isChecked()) {
    for (QRadioButton* choice : {terminal->RBNOSIM, terminal->RBSIMMASTER, terminal->RBSIMSLAVE}) {
      choice->setEnabled(true);
    }
  }
  terminal->GBFLYTX->setVisible(true);
  terminal->CBECHO->setEnabled(true);
  terminal->Label39->setText("In Data Format");
  terminal->Label8->setText("Echo Data Format");
  if (terminal->RBSIMMASTER->isChecked()) terminal->GBCOMSIM->setVisible(true);
}

}  // namespace ferrotap
