#include "app/application.h"
#include "app/dialogs.h"
#include "app/main_window.h"

int main(int argc, char* argv[]) {
  ferrotap::Application app(argc, argv);
  ferrotap::QtDialogs dialogs;
  app.SetDialogs(&dialogs);
  ferrotap::MainWindow window(QCoreApplication::applicationDirPath(), &dialogs);
  dialogs.SetParentWidget(&window);
  window.show();
  return QApplication::exec();
}
