#include "app/application.h"

#include <malloc.h>

#include <exception>

#include "app/dialogs.h"

namespace ferrotap {

namespace {

// The data window keeps its text in one growing buffer. Mapped on their own, large blocks grow by
// remapping pages; from the heap, each growth would copy tens of megabytes on the UI thread.
constexpr int kMapBlocksFrom = 1 << 20;

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  mallopt(M_MMAP_THRESHOLD, kMapBlocksFrom);
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
