// SPDX-License-Identifier: MIT
#include <QCheckBox>
#include <QLabel>

#include "app/main_window.h"
#include "app/pages/com_setting_page.h"
#include "app/status_strip.h"
#include "app/widgets/port_led.h"
#include "app/widgets/status_light.h"
#include "serial/com_port.h"
#include "serial/status_light_controller.h"
#include "session/session.h"

namespace ferrotap {

void MainWindow::Label4Click() {
  // In RS-485 mode the transmit routine owns RTS.
  if (TabSheet3->CB485->isChecked()) return;
  session_->SetRtsA(!CP1->RTS());
}

void MainWindow::Label5Click() {
  session_->SetDtrA(!CP1->DTR());
}

void MainWindow::ShowOutputLamps() {
  // A level set while port A is closed or its device is gone waits for the next open: no line
  // carries it yet.
  const bool driven = strip_->LEDCOMA->Active();
  strip_->RTSLED->SetLit(driven && CP1->RTS());
  strip_->DTRLED->SetLit(driven && CP1->DTR());
}

void MainWindow::SBERRCLEARClick() {
  strip_->SB2->setText(QString());
}

void MainWindow::SpeedButton1Click() {
  LEDCTRL->SetWatching(false);
  LEDCTRL->SetWatching(true);
}

}  // namespace ferrotap
