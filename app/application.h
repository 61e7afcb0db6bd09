// SPDX-License-Identifier: MIT
#pragma once

#include <QApplication>

namespace ferrotap {

class Dialogs;

// The name of the installed menu entry and icon, without ".desktop".
inline constexpr const char* kDesktopFileName = "org.ferrotap.Ferrotap";

// The application object. An exception that escapes any event handler is shown to the user and
// the program carries on with the next event.
class Application : public QApplication {
  Q_OBJECT

 public:
  Application(int& argc, char** argv);

  // Where escaped errors are shown; without dialogs they go to the error output.
  void SetDialogs(Dialogs* dialogs) { dialogs_ = dialogs; }

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  void ReportError(const QString& text);

  Dialogs* dialogs_ = nullptr;
};

}  // namespace ferrotap
