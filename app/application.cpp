// SPDX-License-Identifier: MIT
#include "app/application.h"

#include <QIcon>

#include <exception>

#include "app/dialogs.h"

// The icons live in the static application library: its resources need a call to be linked in.
static void InitIconResources() {
  Q_INIT_RESOURCE(icons);
}

namespace ferrotap {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Ferrotap");
  // Lets Wayland shells match the window to its menu entry and icon.
  setDesktopFileName(QString::fromLatin1(kDesktopFileName));
  InitIconResources();
  QIcon icon;
  icon.addFile(":/icons/48.png");
  icon.addFile(":/icons/128.png");
  setWindowIcon(QIcon::fromTheme(QString::fromLatin1(kDesktopFileName), icon));
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
