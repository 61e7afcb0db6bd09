// SPDX-License-Identifier: MIT
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include "app/data_window.h"
#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/pages/com_setting_page.h"
#include "app/status_strip.h"
#include "app/widgets/editable_combo_box.h"
#include "app/widgets/status_light.h"
#include "serial/com_port.h"
#include "serial/device_description.h"
#include "serial/port_list.h"
#include "serial/port_map.h"
#include "serial/status_light_controller.h"
#include "session/session.h"

namespace ferrotap {
namespace {

QString PortPathText(const QString& numberText, const std::string& exeDir) {
  bool ok = false;
  const int number = numberText.trimmed().toInt(&ok);
  if (!ok || number <= 0 || number > 65535) return QString();
  return "COM" + QString::number(number) + " = " +
         QString::fromStdString(ResolveDevicePath(static_cast<uint16_t>(number), exeDir));
}

QString PortDeviceText(const QString& numberText, const std::string& settingsDir) {
  bool ok = false;
  const int number = numberText.trimmed().toInt(&ok);
  if (!ok || number <= 0 || number > 65535) return QString();
  return QString::fromLocal8Bit(
      DeviceSummary(ResolveDevicePath(static_cast<uint16_t>(number), settingsDir)).c_str());
}

}  // namespace

// Port numbers stand for device paths on this system; the user sees which in the tool tips, and
// what is plugged in there beside the numbers.
void MainWindow::ShowPortPaths() {
  const std::string settingsDir = QFile::encodeName(settingsDir_).toStdString();
  for (EditableComboBox* box : {TabSheet3->CBPortA, TabSheet3->CBPORTB}) {
    box->setToolTip(PortPathText(box->currentText(), settingsDir));
    connect(box, &QComboBox::currentTextChanged, this,
            [this, box, settingsDir](const QString& text) {
              box->setToolTip(PortPathText(text, settingsDir));
              ShowPortDevices();
            });
  }
  // A device plugged in meanwhile shows when the user comes back to the page.
  connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
    if (PageControl1->currentWidget() == TabSheet3) ShowPortDevices();
  });
  connect(TabSheet3, &ComSettingPage::PortChoicesShown, this, &MainWindow::ShowPortDevices);
  TabSheet3->SetPortScan(
      [settingsDir] { return PortChoices(ListSerialPorts(settingsDir), settingsDir); });
  ShowPortDevices();
}

void MainWindow::ShowPortDevices() {
  const std::string settingsDir = QFile::encodeName(settingsDir_).toStdString();
  ComSettingPage* page = TabSheet3;
  page->LBPortADevice->setText(PortDeviceText(page->CBPortA->currentText(), settingsDir));
  page->LBPortBDevice->setText(PortDeviceText(page->CBPORTB->currentText(), settingsDir));
}

QStringList MainWindow::PortDescriptions(const std::vector<uint16_t>& numbers) const {
  const std::string settingsDir = QFile::encodeName(settingsDir_).toStdString();
  QStringList descriptions;
  for (uint16_t n : numbers) descriptions << PortDeviceText(QString::number(n), settingsDir);
  return descriptions;
}

void MainWindow::CreatePorts() {
  CP1 = &session_->PortA();
  CP2 = &session_->PortB();
  // Only port B prompts: a port number 0 typed for it asks for another port.
  CP2->SetPortPrompter([this](const std::vector<uint16_t>& numbers) {
    return dialogs_->SelectPort(numbers, PortDescriptions(numbers));
  });

  // Made after the session has set the port's handlers: the controller chains its own in front.
  LEDCTRL = std::make_unique<StatusLightController>(CP1);
  LightSet& lights = LEDCTRL->Lights();
  lights.CTSLight = LampSink(strip_->CTSLED);
  lights.DSRLight = LampSink(strip_->DSRLED);
  lights.DCDLight = LampSink(strip_->DCDLED);
  lights.TXDLight = LampSink(strip_->TXLED);
  lights.RXDLight = LampSink(strip_->RXLED);
}

void MainWindow::ApplyPortSettings() {
  ComSettingPage* page = TabSheet3;
  session_->ConfigurePorts(page->Settings(colors_));
  // Shown before the ports open: a port that fails to open leaves the texts of these settings,
  // not those of earlier ones.
  const std::array<std::string, 6> texts = page->StatusTexts();
  for (int i = 0; i < StatusStrip::kSettingsPanels; ++i) {
    strip_->SetSB1Panel(i, QString::fromLatin1(texts[static_cast<std::size_t>(i)].c_str()));
  }
  LEDCTRL->SetWatching(true);
  session_->OpenPorts();
}

void MainWindow::ClosePorts() {
  session_->ClosePorts();
  LEDCTRL->SetWatching(false);
  ShowOutputLamps();
}

// On a line of its own, in its own colour; the writer after it finds the colour it left.
void MainWindow::WritePortEvent(const std::string& line) {
  const TextModel& model = REA->Model();
  const std::size_t at = model.HasSelection() ? model.SelectionStart() : model.Caret();
  const bool lineStart = at == 0 || model.At(at - 1) == '\n' || model.At(at - 1) == '\r';
  const Color before = REA->InsertColor();
  REA->SetInsertColor(portNoticeColor_);
  REA->InsertText((lineStart ? Bytes() : lineBreak_) + line + lineBreak_);
  REA->SetInsertColor(before);
}

}  // namespace ferrotap
