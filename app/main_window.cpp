#include "app/main_window.h"

namespace ferrotap {

MainWindow::MainWindow(const QString&, Dialogs*, QWidget* parent) : QMainWindow(parent) {
  setObjectName("MainWindow");
}

}  // namespace ferrotap
