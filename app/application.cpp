#include "app/application.h"

#include <exception>

#include "app/dialogs.h"

namespace ferrotap {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Ferrotap");
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ReportError(QString::fromLocal8Bit(error.what()));
  } catch (...) {
    ReportError(QStringLiteral("Unknown error"));
  }
  return false;
}

void Application::ReportError(const QString& text) {
  if (dialogs_ != nullptr) {
    dialogs_->ShowError(text);
  } else {
    qCritical("%s", qPrintable(text));
  }
}

}  // namespace ferrotap
