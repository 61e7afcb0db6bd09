#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include "app/data_window.h"
#include "core/line_status.h"
#include "app/main_window.h"
#include "app/widgets/status_light.h"
#include "app/status_strip.h"
#include "app/protocol_engine.h"
#include "app/pages/protocol_setting_page.h"
#include "serial/com_port.h"
#include "app/pages/com_setting_page.h"
#include "serial/status_light_controller.h"

namespace ferrotap {
namespace {

constexpr uint16_t kLineStatusAll = 15;
constexpr int kSyncOnRtsCts = 2;

}  // namespace

void MainWindow::CP1TriggerLineError(ComPort& port, uint16_t error, bool lineBreak) {
  strip_->SB2->setText(QString::fromStdString(LineErrorText('A', error, lineBreak)));
  port.ArmStatusTrigger(lineTriggerA_, kLineStatusAll, true);
}

void MainWindow::CP2TriggerLineError(ComPort& port, uint16_t error, bool lineBreak) {
  strip_->SB2->setText(QString::fromStdString(LineErrorText('B', error, lineBreak)));
  port.ArmStatusTrigger(lineTriggerB_, kLineStatusAll, true);
}

// With the SYNC signalled on RTS/CTS, every change of port A's modem lines reports CTS.
void MainWindow::CP1TriggerModemStatus(ComPort& port) {
  if (!TabSheet2->CBHS->isChecked() || TabSheet2->CBEOT->currentIndex() != kSyncOnRtsCts) return;
  REA->SetInsertColor(colors_[ColorRole::PortAHandShake]);
  if (port.CTS()) {
    REA->InsertText("CTS On as SYN" + lineBreak_);
    // Stopping a timer trigger needs no length.
    port.ArmTimerTrigger(protocol_->DecoderA().HandShakeTrigger(), 0, false);
  } else {
    REA->InsertText("CTS Off as SYN" + lineBreak_);
  }
}

void MainWindow::Label4Click() {
  // In RS-485 mode the transmit routine owns RTS.
  if (TabSheet3->CB485->isChecked()) return;
  CP1->SetRTS(!CP1->RTS());
  strip_->RTSLED->SetLit(CP1->RTS());
}

void MainWindow::Label5Click() {
  CP1->SetDTR(!CP1->DTR());
  strip_->DTRLED->SetLit(CP1->DTR());
}

void MainWindow::SBERRCLEARClick() {
  strip_->SB2->setText(QString());
}

void MainWindow::SpeedButton1Click() {
  LEDCTRL->SetWatching(false);
  LEDCTRL->SetWatching(true);
}

}  // namespace ferrotap
