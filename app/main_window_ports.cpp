#include "app/main_window.h"

namespace ferrotap {

void MainWindow::ApplyPortSettings() {}

void MainWindow::ClosePorts() {}

}  // namespace ferrotap
