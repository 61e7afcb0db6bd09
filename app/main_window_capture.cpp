// SPDX-License-Identifier: MIT
#include "app/main_window.h"
#include "session/session.h"

namespace ferrotap {

void MainWindow::ShowEcho(const Bytes& bytes) {
  session_->ShowEcho(bytes);
}

const Bytes& MainWindow::RxPackA() const {
  return session_->RxPackA();
}

const Bytes& MainWindow::RxPackB() const {
  return session_->RxPackB();
}

void MainWindow::SendOnPortA(const Bytes& bytes) {
  session_->SendOnPortA(bytes);
}

}  // namespace ferrotap
