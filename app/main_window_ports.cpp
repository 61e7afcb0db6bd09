#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include "app/dialogs.h"
#include "app/widgets/editable_combo_box.h"
#include "app/main_window.h"
#include "app/widgets/port_led.h"
#include "app/widgets/status_light.h"
#include "app/status_strip.h"
#include "app/protocol_engine.h"
#include "serial/com_port.h"
#include "serial/com_port_error.h"
#include "app/pages/com_setting_page.h"
#include "serial/device_description.h"
#include "app/interval_timer.h"
#include "serial/port_map.h"
#include "serial/port_settings_choice.h"
#include "app/qt_notification_channel.h"
#include "serial/status_light_controller.h"
#include "simulation/escape.h"
#include "app/simulation_roles.h"
#include "app/sender.h"

namespace ferrotap {
namespace {

constexpr uint16_t kLineStatusAll = 15;  // overrun, parity, framing and break
constexpr uint8_t kStatusModem = 1;
constexpr uint8_t kStatusLine = 2;

void SetLine(ComPort& port, const PortLineSettings& line) {
  port.SetComNumber(line.comNumber);
  port.SetBaud(line.baud);
  port.SetDataBits(line.dataBits);
  port.SetParity(line.parity);
  port.SetStopBits(line.stopBits);
}

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
    for (int i = 0; i < box->count(); ++i) {
      box->setItemData(i, PortPathText(box->itemText(i), settingsDir), Qt::ToolTipRole);
    }
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
  const std::string exeDir = QFile::encodeName(settingsDir_).toStdString();
  CP1 = std::make_unique<ComPort>(QtNotificationChannel::Factory(), exeDir);
  CP1->SetAutoOpen(false);
  CP1->SetPromptForPort(false);
  CP1->SetBufferFull(3686);
  CP1->SetBufferResume(409);
  CP1->OnTriggerAvail = [this](ComPort& port, uint16_t count) { CP1TriggerAvail(port, count); };
  CP1->OnTriggerLineError = [this](ComPort& port, uint16_t error, bool lineBreak) {
    CP1TriggerLineError(port, error, lineBreak);
  };
  CP1->OnTriggerModemStatus = [this](ComPort& port) { CP1TriggerModemStatus(port); };
  // Set before the lamp controller chains its own timers in front of it.
  CP1->OnTriggerTimer = [this](ComPort&, uint16_t handle) { protocol_->CP1TriggerTimer(handle); };
  CP1->OnDeviceLost = [this](ComPort&, const std::string& reason) { PortLost('A', reason); };
  CP1->OnReconnected = [this](ComPort&, const std::string& path) { PortBack('A', path); };

  CP2 = std::make_unique<ComPort>(QtNotificationChannel::Factory(), exeDir);
  // Only port B prompts: a port number 0 typed for it asks for another port.
  CP2->SetPortPrompter([this](const std::vector<uint16_t>& numbers) {
    return dialogs_->SelectPort(numbers, PortDescriptions(numbers));
  });
  CP2->OnTriggerAvail = [this](ComPort& port, uint16_t count) { CP2TriggerAvail(port, count); };
  CP2->OnTriggerLineError = [this](ComPort& port, uint16_t error, bool lineBreak) {
    CP2TriggerLineError(port, error, lineBreak);
  };
  CP2->OnTriggerTimer = [this](ComPort&, uint16_t handle) { protocol_->CP2TriggerTimer(handle); };
  CP2->OnDeviceLost = [this](ComPort&, const std::string& reason) { PortLost('B', reason); };
  CP2->OnReconnected = [this](ComPort&, const std::string& path) { PortBack('B', path); };

  LEDCTRL = std::make_unique<StatusLightController>(CP1.get());
  LightSet& lights = LEDCTRL->Lights();
  lights.CTSLight = LampSink(strip_->CTSLED);
  lights.DSRLight = LampSink(strip_->DSRLED);
  lights.DCDLight = LampSink(strip_->DCDLED);
  lights.TXDLight = LampSink(strip_->TXLED);
  lights.RXDLight = LampSink(strip_->RXLED);

  TIMER485 = new IntervalTimer(this);
  TIMER485->SetEnabled(false);
  TIMER485->OnTimer = [this] { TIMER485Timer(); };
}

void MainWindow::ApplyPortSettings() {
  ComSettingPage* page = TabSheet3;
  SetLine(*CP1, page->PortALine());
  CP1->SetInSize(static_cast<uint16_t>(page->SEINBUF->value()));
  CP1->SetOutSize(static_cast<uint16_t>(page->SEOUTBUF->value()));

  const int method = page->CBOXRS485->currentIndex();
  if (page->CB485->isChecked()) {
    if (method == 0) CP1->SetRS485Mode(true);
    if (method == 1) {
      // The driver's RS-485 mode of an earlier "via Driver" would keep RTS from the timed switch.
      CP1->SetRS485Mode(false);
      CP1->SetRTS(false);
    }
  } else {
    // Whichever method is selected, an unchecked "RS-485 mode active" leaves no RS-485 mode
    // behind in the driver: it would keep RTS to itself.
    CP1->SetRS485Mode(false);
    if (method == 1) CP1->SetRTS(true);
  }

  if (page->RBHFLOW->isChecked()) {
    CP1->SetSWFlowOptions(swfNone);
    const int inSize = CP1->InSize();
    CP1->SetBufferFull(static_cast<uint16_t>(inSize * page->SEHFBFULL->value() / 100));
    CP1->SetBufferResume(static_cast<uint16_t>(inSize * page->SEHFBRESUME->value() / 100));
    uint8_t options = 0;
    if (page->RBUSEDTR->isChecked()) options |= hwfUseDTR;
    if (page->RBUSERTS->isChecked()) options |= hwfUseRTS;
    if (page->RBREQDSR->isChecked()) options |= hwfRequireDSR;
    if (page->RBREQCTS->isChecked()) options |= hwfRequireCTS;
    CP1->SetHWFlowOptions(options);
  } else if (page->RBSFLOW->isChecked()) {
    CP1->SetHWFlowOptions(0);
    static constexpr SWFlowOptions kDirections[] = {swfReceive, swfTransmit, swfBoth};
    const int direction = page->CBSFFOR->currentIndex();
    CP1->SetSWFlowOptions(direction >= 0 ? kDirections[direction] : swfBoth);
    if (const auto c = DecodeEscapedChar(page->EDXOFF->text().toLatin1().toStdString())) {
      CP1->SetXOffChar(*c);
    } else {
      dialogs_->ShowError("Bed XOff character. Default left (#19)");
    }
    if (const auto c = DecodeEscapedChar(page->EDXON->text().toLatin1().toStdString())) {
      CP1->SetXOnChar(*c);
    } else {
      dialogs_->ShowError("Bed XOn character. Default left (#17)");
    }
  } else {
    CP1->SetHWFlowOptions(0);
    CP1->SetSWFlowOptions(swfNone);
  }

  strip_->RTSLED->SetLit(CP1->RTS());
  strip_->DTRLED->SetLit(CP1->DTR());

  const bool spy = page->CB2COM->isChecked();
  if (spy) {
    SetLine(*CP2, page->PortBLine());
    CP2->SetInSize(CP1->InSize());
    CP2->SetOutSize(CP1->OutSize());
  }

  // Shown before the ports open: a port that fails to open leaves the texts of these settings,
  // not those of earlier ones.
  const std::array<std::string, 6> texts = page->StatusTexts();
  for (int i = 0; i < StatusStrip::kSettingsPanels; ++i) {
    strip_->SetSB1Panel(i, QString::fromLatin1(texts[static_cast<std::size_t>(i)].c_str()));
  }

  LEDCTRL->SetWatching(true);
  OpenPortA();
  // Fails with "not open" when port A did not open: the error report shows it and the rest of
  // the apply, port B included, does not run.
  CP1->ClearInput();
  CP1->ClearOutput();
  if (spy) OpenPortB();

  lineTriggerA_ = CP1->NewStatusTrigger(kStatusLine);
  CP1->ArmStatusTrigger(lineTriggerA_, kLineStatusAll, true);
  // Told once per device, not at every apply.
  const QString path = QString::fromStdString(CP1->DevicePath());
  if (CP1->Rs485ByProgram() && rs485NoticeShownFor_ != path) {
    rs485NoticeShownFor_ = path;
    dialogs_->ShowInfo(QString("The driver of %1 has no RS-485 mode.\nRTS is raised and dropped by "
                               "Ferrotap around each transmission instead.")
                           .arg(path));
  }
}

void MainWindow::OpenPortA() {
  try {
    CP1->SetOpen(true);
    strip_->LEDCOMA->SetActive(true);
    const uint16_t packTrigger = CP1->NewTimerTrigger();
    const uint16_t handShakeTrigger = CP1->NewTimerTrigger();
    protocol_->SetPortATriggers(packTrigger, handShakeTrigger);
    modemTriggerA_ = CP1->NewStatusTrigger(kStatusModem);
    if (simulation_) simulation_->ArmCtsTrigger();
  } catch (const ComPortError& error) {
    // Trying again must not wait for a change of settings: the device may just be plugged in.
    TabSheet3->BBCOMAPPLY->setEnabled(true);
    dialogs_->ShowError(QString("Com A open error\n") + QString::fromLocal8Bit(error.what()));
  }
}

void MainWindow::OpenPortB() {
  try {
    CP2->SetOpen(true);
    strip_->LEDCOMB->SetActive(true);
    protocol_->SetPortBTrigger(CP2->NewTimerTrigger());
    CP2->ClearInput();
    CP2->ClearOutput();
    lineTriggerB_ = CP2->NewStatusTrigger(kStatusLine);
    CP2->ArmStatusTrigger(lineTriggerB_, kLineStatusAll, true);
  } catch (const ComPortError& error) {
    TabSheet3->BBCOMAPPLY->setEnabled(true);
    dialogs_->ShowError(QString("Com B open error\n") + QString::fromLocal8Bit(error.what()));
  }
}

void MainWindow::ClosePorts() {
  sender_->PortsClosing();
  CP1->SetOpen(false);
  CP2->SetOpen(false);
  strip_->LEDCOMA->SetActive(false);
  strip_->LEDCOMB->SetActive(false);
  LEDCTRL->SetWatching(false);
}

void MainWindow::PortLost(char port, const std::string& reason) {
  // The device is gone: the port stays unusable until the settings are applied again.
  if (port == 'A') {
    sender_->PortLost();
    strip_->LEDCOMA->SetActive(false);
    LEDCTRL->SetWatching(false);
  } else {
    strip_->LEDCOMB->SetActive(false);
  }
  TabSheet3->BBCOMAPPLY->setEnabled(true);
  dialogs_->ShowError(QString("Com %1 lost: %2\nIt opens again by itself when the device comes "
                              "back, or press \"Apply\" on the Com Setting page.")
                          .arg(QChar::fromLatin1(port))
                          .arg(QString::fromLocal8Bit(reason.c_str())));
}

void MainWindow::PortBack(char port, const std::string& path) {
  if (port == 'A') {
    strip_->LEDCOMA->SetActive(true);
    LEDCTRL->SetWatching(true);
  } else {
    strip_->LEDCOMB->SetActive(true);
  }
  dialogs_->ShowInfo(QString("Com %1 is back: %2 is open again with the same settings.")
                         .arg(QChar::fromLatin1(port))
                         .arg(QString::fromLocal8Bit(path.c_str())));
}

}  // namespace ferrotap
