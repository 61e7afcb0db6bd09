#include <QTabWidget>

#include "app/data_window.h"
#include "app/widgets/editable_combo_box.h"
#include "app/main_window.h"
#include "core/render.h"
#include "app/pages/terminal_page.h"
#include "app/protocol_engine.h"
#include "serial/com_port.h"
#include "app/pages/com_setting_page.h"
#include "app/interval_timer.h"
#include "serial/rs485_timing.h"

namespace ferrotap {

void MainWindow::InsertColored(ColorRole role, const Bytes& text) {
  REA->SetInsertColor(colors_[role]);
  REA->InsertText(text);
}

Bytes MainWindow::RenderA(const Bytes& bytes) const {
  return RenderBytes(DisplayFormatFromIndex(TabSheet1->CBINDATAF->currentIndex()), bytes);
}

Bytes MainWindow::RenderB(const Bytes& bytes) const {
  return RenderBytes(DisplayFormatFromIndex(TabSheet1->CBOUTDATAF->currentIndex()), bytes);
}

// All bytes of one notification are read before anything is shown, so that one notification
// becomes one insertion.
void MainWindow::CP1TriggerAvail(ComPort& port, uint16_t count) {
  rxPackA_ = port.ReadString(count);
  rxCountA_ = count;
  if (TabSheet1->CBDECPROT->isChecked()) {
    protocol_->DecodePortA(rxPackA_);
  } else {
    ShowPortA(rxPackA_);
  }
}

void MainWindow::CP2TriggerAvail(ComPort& port, uint16_t count) {
  rxPackB_ = port.ReadString(count);
  rxCountB_ = count;
  if (TabSheet1->CBDECPROT->isChecked()) {
    protocol_->DecodePortB(rxPackB_);
  } else {
    ShowEcho(rxPackB_);
  }
}

void MainWindow::ShowPortA(const Bytes& bytes) {
  InsertColored(ColorRole::PortAData, RenderA(bytes));
}

void MainWindow::ShowEcho(const Bytes& bytes) {
  // The data window can take the focus only while its page is shown.
  if (PageControl1->currentIndex() == kTerminalPageIndex && REA->isVisible()) REA->setFocus();
  if (bytes.empty()) {
    REA->SetInsertColor(kSysWindowTextColor);
    REA->InsertText("[Empty pack]");
  } else {
    InsertColored(ColorRole::PortBData, RenderB(bytes));
  }
  REA->SetInsertColor(colors_[ColorRole::PortAData]);
}

void MainWindow::SendOnPortA(const Bytes& bytes) {
  const bool timed = TabSheet3->CB485->isChecked() && TabSheet3->CBOXRS485->currentIndex() == 1;
  if (timed) {
    CP1->SetRTS(true);
    TIMER485->SetInterval(Rs485IntervalMs(bytes.size(), CP1->Line()));
    TIMER485->SetEnabled(true);
  }
  CP1->WriteString(bytes);
  // The port drops RTS itself, right after the last stop bit; the timer tick is the fallback
  // for a send that failed.
  if (timed) CP1->DropRtsWhenSent(LineTimeUs(bytes.size(), CP1->Line()));
}

void MainWindow::TIMER485Timer() {
  if (TabSheet3->CB485->isChecked() && TabSheet3->CBOXRS485->currentIndex() == 1) {
    CP1->DropRtsWhenSent(0);
  }
  TIMER485->SetEnabled(false);
}

}  // namespace ferrotap
