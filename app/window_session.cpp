// SPDX-License-Identifier: MIT
#include "app/window_session.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <chrono>

#include "app/data_window.h"
#include "app/dialogs.h"
#include "app/interval_timer.h"
#include "app/main_window.h"
#include "app/pages/com_setting_page.h"
#include "app/pages/protocol_setting_page.h"
#include "app/pages/terminal_page.h"
#include "app/qt_notification_channel.h"
#include "app/status_strip.h"
#include "app/widgets/editable_combo_box.h"
#include "app/widgets/port_led.h"
#include "app/widgets/status_light.h"
#include "core/capture_options.h"
#include "core/line_status.h"
#include "core/port_event.h"
#include "core/render.h"
#include "serial/status_light_controller.h"

namespace ferrotap {
namespace {

QString Message(const std::string& text) {
  return QString::fromLocal8Bit(text.c_str());
}

// A single-shot Qt timer with the session's name for it.
class QtSessionTimer : public SessionTimer {
 public:
  QtSessionTimer(QObject* parent, const std::string& name, std::function<void()> expired)
      : timer_(new QTimer(parent)) {
    timer_->setObjectName(QString::fromStdString(name));
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_, &QTimer::timeout, timer_, std::move(expired));
  }
  ~QtSessionTimer() override { delete timer_; }
  void Start(int milliseconds) override { timer_->start(milliseconds); }
  void Stop() override { timer_->stop(); }

 private:
  QTimer* timer_;
};

// The window's TIMER485: an IntervalTimer enabled for one tick.
class IntervalSessionTimer : public SessionTimer {
 public:
  IntervalSessionTimer(IntervalTimer* timer, std::function<void()> expired) : timer_(timer) {
    timer_->SetEnabled(false);
    timer_->OnTimer = [timer, expired = std::move(expired)] {
      expired();
      timer->SetEnabled(false);
    };
  }
  ~IntervalSessionTimer() override { delete timer_; }
  void Start(int milliseconds) override {
    timer_->SetInterval(milliseconds);
    timer_->SetEnabled(true);
  }
  void Stop() override { timer_->SetEnabled(false); }

 private:
  IntervalTimer* timer_;
};

}  // namespace

SessionOptions WindowSession::Options() const {
  const TerminalPage& terminal = *window_.Terminal();
  const ComSettingPage& com = *window_.ComSetting();
  SessionOptions o;
  o.decode = terminal.CBDECPROT->isChecked();
  o.formatA = DisplayFormatFromIndex(terminal.CBINDATAF->currentIndex());
  o.formatB = DisplayFormatFromIndex(terminal.CBOUTDATAF->currentIndex());
  o.echo = terminal.CBECHO->isChecked();
  o.role = terminal.RBSIMMASTER->isChecked()  ? SimulationRole::Master
           : terminal.RBSIMSLAVE->isChecked() ? SimulationRole::Slave
                                              : SimulationRole::None;
  o.lineBreak = window_.LineBreak();
  o.protocol = window_.TabSheet2->Options();
  if (terminal.CBADDCRLF->isChecked()) {
    o.lineEnd = com.RBCR->isChecked() ? LineEnd::Cr : LineEnd::CrLf;
  }
  o.rs485Timed = com.CB485->isChecked() && com.CBOXRS485->currentIndex() == 1;
  o.timeStamps = terminal.TimeStamps();
  if (terminal.CBIDLEGAP->isChecked()) {
    const Parsed<IdleGap> gap = ParseIdleGap(terminal.EDIDLEGAP->text().toStdString());
    if (gap.ok()) o.idleGap = gap.value;
  }
  return o;
}

NotificationChannelFactory WindowSession::Channels() {
  return QtNotificationChannel::Factory();
}

std::unique_ptr<SessionTimer> WindowSession::NewTimer(const std::string& name,
                                                      std::function<void()> expired) {
  if (name == "TIMER485") {
    window_.TIMER485 = new IntervalTimer(&window_);
    return std::make_unique<IntervalSessionTimer>(window_.TIMER485, std::move(expired));
  }
  return std::make_unique<QtSessionTimer>(&window_, name, std::move(expired));
}

void WindowSession::Post(std::function<void()> call) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
}

void WindowSession::Show(ColorRole role, const Bytes& text) {
  window_.REA->SetInsertColor(window_.Colors()[role]);
  window_.REA->InsertText(text);
}

void WindowSession::ShowSystemText(const Bytes& text) {
  window_.REA->SetInsertColor(kSysWindowTextColor);
  window_.REA->InsertText(text);
}

void WindowSession::SelectColor(ColorRole role) {
  window_.REA->SetInsertColor(window_.Colors()[role]);
}

void WindowSession::EchoComing() {
  // The data window can take the focus only while its page is shown.
  if (window_.PageControl1->currentIndex() == MainWindow::kTerminalPageIndex &&
      window_.REA->isVisible()) {
    window_.REA->setFocus();
  }
}

void WindowSession::Error(const std::string& message) {
  window_.GetDialogs().ShowError(Message(message));
}

void WindowSession::Info(const std::string& message) {
  window_.GetDialogs().ShowInfo(Message(message));
}

void WindowSession::RtsChanged(bool) {
  window_.ShowOutputLamps();
}

void WindowSession::DtrChanged(bool) {
  window_.ShowOutputLamps();
}

void WindowSession::SetPortLamp(SessionPort port, bool active) {
  (port == SessionPort::A ? window_.Strip()->LEDCOMA : window_.Strip()->LEDCOMB)->SetActive(active);
}

void WindowSession::PortOpened(SessionPort port) {
  SetPortLamp(port, true);
  if (port == SessionPort::A) window_.ShowOutputLamps();
}

void WindowSession::PortOpenFailed(SessionPort port) {
  // Trying again must not wait for a change of settings: the device may just be plugged in.
  window_.ComSetting()->BBCOMAPPLY->setEnabled(true);
  if (port == SessionPort::A) window_.ShowOutputLamps();
}

void WindowSession::PortClosed(SessionPort port) {
  SetPortLamp(port, false);
}

void WindowSession::PortLost(SessionPort port, const std::string& reason) {
  // The device is gone: the port stays unusable until the settings are applied again.
  SetPortLamp(port, false);
  if (port == SessionPort::A) window_.LEDCTRL->SetWatching(false);
  window_.ShowOutputLamps();
  window_.WritePortEvent(
      PortEventText(PortLetter(port), PortEvent::Lost, reason, std::chrono::system_clock::now()));
  window_.ComSetting()->BBCOMAPPLY->setEnabled(true);
  window_.GetDialogs().ShowError(
      QString("Com %1 lost: %2\nIt opens again by itself when the device comes "
              "back, or press \"Apply\" on the Com Setting page.")
          .arg(QChar::fromLatin1(PortLetter(port)))
          .arg(Message(reason)));
}

void WindowSession::PortBack(SessionPort port, const std::string& path) {
  SetPortLamp(port, true);
  if (port == SessionPort::A) window_.LEDCTRL->SetWatching(true);
  window_.ShowOutputLamps();
  window_.WritePortEvent(
      PortEventText(PortLetter(port), PortEvent::Back, path, std::chrono::system_clock::now()));
  window_.GetDialogs().ShowInfo(QString("Com %1 is back: %2 is open again with the same settings.")
                                    .arg(QChar::fromLatin1(PortLetter(port)))
                                    .arg(Message(path)));
}

void WindowSession::LineError(SessionPort port, uint16_t error, bool lineBreak) {
  window_.Strip()->SB2->setText(
      QString::fromStdString(LineErrorText(PortLetter(port), error, lineBreak)));
}

void WindowSession::FileProgress(uint64_t sent, uint64_t total) {
  TerminalPage& terminal = *window_.Terminal();
  terminal.PBTXFILE->setVisible(true);
  terminal.BBTXSTOP->setVisible(true);
  QProgressBar* bar = terminal.PBTXFILE;
  bar->setValue(total == 0 ? bar->maximum() : static_cast<int>(sent * bar->maximum() / total));
  bar->setFormat(QString("%1 of %2 bytes sent").arg(sent).arg(total));
}

void WindowSession::FileSendEnded(FileSendEnd, uint64_t, uint64_t) {
  window_.Terminal()->PBTXFILE->setVisible(false);
  window_.Terminal()->BBTXSTOP->setVisible(false);
}

}  // namespace ferrotap

namespace ferrotap {

void WindowSession::Received(SessionPort, const Bytes& bytes, const ReadMarks&) {
  if (!window_.REA->Paused()) return;
  receivedWhilePaused_ += bytes.size();
  window_.Strip()->SB2->setText(
      QString("Paused: %1 bytes since").arg(receivedWhilePaused_));
}

void WindowSession::PauseToggled(bool paused) {
  receivedWhilePaused_ = 0;
  window_.Strip()->SB2->setText(paused ? QString("Paused: 0 bytes since") : QString());
}

}  // namespace ferrotap
