// SPDX-License-Identifier: MIT
#include <QFile>
#include <QMenu>
#include <QPushButton>

#include "app/widgets/color_swatch.h"
#include "app/data_window.h"
#include "app/dialogs.h"
#include "app/widgets/editable_combo_box.h"
#include "app/main_window.h"
#include "app/pages/terminal_page.h"
#include "app/pages/com_setting_page.h"
#include "app/window_session.h"
#include "session/session.h"

namespace ferrotap {

void MainWindow::ConnectDataWindowMenu() {
  QMenu* menu = REA->PopupMenu();
  const std::pair<const char*, void (MainWindow::*)()> handlers[] = {
      {"Clear1", &MainWindow::Clear1Click},
      {"Savetifile1", &MainWindow::Savetifile1Click},
      {"NewLineatcursor1", &MainWindow::NewLineatcursor1Click},
      {"SavetoFile1", &MainWindow::SavetoFile1Click},
      {"Savetoplanfile1", &MainWindow::Savetoplanfile1Click},
  };
  for (QAction* action : menu->actions()) {
    for (const auto& [name, handler] : handlers) {
      if (action->objectName() == QLatin1String(name)) {
        connect(action, &QAction::triggered, this, handler);
      }
    }
  }
  connect(TabSheet1->BBLOGFILE, &QPushButton::clicked, this, &MainWindow::BBLOGFILEClick);
  connect(TabSheet1->BBOPENLOG, &QPushButton::clicked, this, &MainWindow::BBOPENLOGClick);
  connect(TabSheet1->BBPAUSE, &QPushButton::toggled, this,
          [this](bool paused) { windowSession_->PauseToggled(paused); });
}

void MainWindow::ConnectColorEditing() {
  connect(TabSheet3->CBWCOLOR, &QComboBox::currentIndexChanged, this, &MainWindow::CBWCOLORChange);
  connect(TabSheet3->BLOCOL, &ColorSwatch::Clicked, this, &MainWindow::BLOCOLClick);
}

void MainWindow::Clear1Click() {
  REA->Clear();
  session_->DisplayCleared();
}

void MainWindow::SBCREALDWINClick() {
  REA->Clear();
  session_->DisplayCleared();
  if (REA->isVisible()) REA->setFocus();
}

void MainWindow::Savetifile1Click() {
  REA->DeleteSelection();
}

void MainWindow::NewLineatcursor1Click() {
  REA->InsertText(lineBreak_);
}

void MainWindow::SavetoFile1Click() {
  SaveDataWindow(".rtf", "RTF files (*.rtf)|*.rtf|All files (*.*)|*.*", true);
}

void MainWindow::Savetoplanfile1Click() {
  SaveDataWindow(".txt", "TXT files (*.txt)|*.txt|All files (*.*)|*.*", false);
}

void MainWindow::SaveDataWindow(const QString& extension, const QString& filter, bool rtf) {
  const std::optional<QString> path = dialogs_->SaveFileName({extension, exeDir_, filter});
  if (!path) return;
  const std::string file = QFile::encodeName(*path).toStdString();
  const Dialogs::Progress progress = dialogs_->StartProgress(QStringLiteral("Saving %1").arg(*path));
  const std::string error = rtf ? REA->SaveRtf(file, progress) : REA->SaveText(file, progress);
  if (!error.empty() && error != kSaveCancelled) dialogs_->ShowError(QString::fromLocal8Bit(error));
}

void MainWindow::ApplyDataWindowMemory(int megabytes) {
  dataWindowMemoryMB_ = megabytes;
  if (REA == nullptr) return;
  TextStoreLimits limits;
  limits.memoryBytes = static_cast<std::size_t>(megabytes) << 20;
  // Without a store, memory takes up to twice the limit before the oldest text goes.
  limits.hardBytes = 2 * limits.memoryBytes;
  limits.folder = storeFolder_;
  REA->SetStoreLimits(limits);
}

void MainWindow::CBWCOLORChange() {
  const int item = TabSheet3->CBWCOLOR->currentIndex();
  if (item < 0 || item >= kColorRoleCount) return;
  TabSheet3->BLOCOL->SetCurrentColor(colors_.values[item]);
}

void MainWindow::BLOCOLClick() {
  // A colour edit is a settings change even when the dialog is then cancelled.
  TabSheet3->BBCOMAPPLY->setEnabled(true);
  const std::optional<Color> chosen = dialogs_->ChooseColor(TabSheet3->BLOCOL->CurrentColor());
  if (!chosen) return;
  TabSheet3->BLOCOL->SetCurrentColor(*chosen);
  const int item = TabSheet3->CBWCOLOR->currentIndex();
  if (item < 0 || item >= kColorRoleCount) return;
  colors_.values[item] = *chosen;
  if (item == static_cast<int>(ColorRole::Background)) REA->SetBackgroundColor(*chosen);
}

}  // namespace ferrotap
