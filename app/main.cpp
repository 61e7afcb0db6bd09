#include <QApplication>

#include "app/main_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Ferrotap");
  ferrotap::MainWindow window(QCoreApplication::applicationDirPath());
  window.show();
  return QApplication::exec();
}
