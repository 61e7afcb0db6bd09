#pragma once

#include <QMainWindow>

namespace ferrotap {

class Dialogs;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(const QString& exeDir, Dialogs* dialogs = nullptr, QWidget* parent = nullptr);
};

}  // namespace ferrotap
