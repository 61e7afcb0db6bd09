// SPDX-License-Identifier: MIT
#include "app/dialogs.h"

#include "app/port_select_dialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStringList>
#include <memory>

#include "app/qt_color.h"

namespace ferrotap {

QString QtFileFilter(const QString& pipeFilter) {
  const QStringList parts = pipeFilter.split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    const QString& description = parts[i];
    if (description.contains('(' + patterns + ')')) {
      filters << description;
    } else {
      filters << description + " (" + patterns + ')';
    }
  }
  return filters.join(";;");
}

void QtDialogs::ShowError(const QString& text) {
  QMessageBox::critical(parent_, QApplication::applicationName(), text);
}

void QtDialogs::ShowInfo(const QString& text) {
  QMessageBox::information(parent_, QApplication::applicationName(), text);
}

bool QtDialogs::ConfirmYesNo(const QString& text) {
  return QMessageBox::question(parent_, QApplication::applicationName(), text,
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::optional<QString> QtDialogs::OpenFileName(const FileDialogSpec& spec) {
  return AskFileName(spec, false);
}

std::optional<QString> QtDialogs::SaveFileName(const FileDialogSpec& spec) {
  return AskFileName(spec, true);
}

std::optional<QString> QtDialogs::AskFileName(const FileDialogSpec& spec, bool save) {
  QFileDialog dialog(parent_);
  dialog.setDirectory(spec.initialDir);
  dialog.setNameFilter(QtFileFilter(spec.filter));
  QString suffix = spec.defaultExtension;
  if (suffix.startsWith('.')) suffix.remove(0, 1);
  if (suffix != "*") dialog.setDefaultSuffix(suffix);
  if (save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  } else {
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

std::optional<Color> QtDialogs::ChooseColor(Color initial) {
  const QPalette palette = parent_ ? parent_->palette() : QApplication::palette();
  const QColor chosen = QColorDialog::getColor(ToQColor(initial, palette), parent_);
  if (!chosen.isValid()) return std::nullopt;
  return FromQColor(chosen);
}

void QtDialogs::Beep() {
  QApplication::beep();
}

std::optional<uint16_t> QtDialogs::SelectPort(const std::vector<uint16_t>& numbers,
                                              const QStringList& descriptions) {
  PortSelectDialog dialog(numbers, descriptions, parent_.data());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.SelectedNumber();
}

Dialogs::Progress QtDialogs::StartProgress(const QString& label) {
  constexpr int kSteps = 1000;
  constexpr int kShowAfterMs = 1000;
  auto dialog = std::make_shared<QProgressDialog>(label, QStringLiteral("Cancel"), 0, kSteps, parent_);
  dialog->setWindowModality(Qt::WindowModal);
  dialog->setMinimumDuration(kShowAfterMs);
  dialog->setAutoClose(false);
  dialog->setValue(0);
  return [dialog](std::size_t done, std::size_t total) {
    // A modal progress dialog lets events through as its value changes, so the window stays live.
    const double part = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
    dialog->setValue(static_cast<int>(part * kSteps));
    if (dialog->wasCanceled()) return false;
    if (done >= total) dialog->close();
    return true;
  };
}

}  // namespace ferrotap
