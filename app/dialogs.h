// SPDX-License-Identifier: MIT
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/colors.h"

namespace ferrotap {

// What a file dialog is prepared with. The filter is written as description|patterns pairs joined
// by '|', e.g. "RTF files (*.rtf)|*.rtf|All files (*.*)|*.*". A default extension of ".*" adds
// none.
struct FileDialogSpec {
  QString defaultExtension;
  QString initialDir;
  QString filter;

  bool operator==(const FileDialogSpec&) const = default;
};

// Every message box, file and colour dialog, confirmation and the beep. Tests answer these from a
// script, so no test ever waits on a modal box.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A modal box with the error icon and one OK button.
  virtual void ShowError(const QString& text) = 0;
  // A modal box with the information icon and one OK button.
  virtual void ShowInfo(const QString& text) = 0;
  // Yes and No; true for Yes.
  virtual bool ConfirmYesNo(const QString& text) = 0;
  // The chosen path, or nothing when cancelled.
  virtual std::optional<QString> OpenFileName(const FileDialogSpec& spec) = 0;
  // The chosen path, or nothing when cancelled. An existing file is replaced without asking.
  virtual std::optional<QString> SaveFileName(const FileDialogSpec& spec) = 0;
  // The chosen colour, or nothing when cancelled.
  virtual std::optional<Color> ChooseColor(Color initial) = 0;
  // "Select Port": one of the offered port numbers, or nothing for Cancel. descriptions says,
  // number by number, which device each one is.
  virtual std::optional<uint16_t> SelectPort(const std::vector<uint16_t>& numbers,
                                             const QStringList& descriptions) = 0;
  virtual void Beep() = 0;
  // For a long piece of work: told the work done and the whole, false when the user chose Cancel.
  // A dialog with the label shows once the work has taken a second. Scripted dialogs need none.
  using Progress = std::function<bool(std::size_t done, std::size_t total)>;
  virtual Progress StartProgress(const QString&) { return {}; }
};

// The standard Qt dialogs, centred on the given window.
class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}

  void SetParentWidget(QWidget* parent) { parent_ = parent; }

  void ShowError(const QString& text) override;
  void ShowInfo(const QString& text) override;
  bool ConfirmYesNo(const QString& text) override;
  std::optional<QString> OpenFileName(const FileDialogSpec& spec) override;
  std::optional<QString> SaveFileName(const FileDialogSpec& spec) override;
  std::optional<Color> ChooseColor(Color initial) override;
  std::optional<uint16_t> SelectPort(const std::vector<uint16_t>& numbers,
                                     const QStringList& descriptions) override;
  void Beep() override;
  Progress StartProgress(const QString& label) override;

 private:
  std::optional<QString> AskFileName(const FileDialogSpec& spec, bool save);

  QPointer<QWidget> parent_;
};

// "Desc|*.a|All|*.*" becomes Qt's "Desc (*.a);;All (*.*)"; a description that already names its
// patterns in parentheses is kept as it is.
QString QtFileFilter(const QString& pipeFilter);

}  // namespace ferrotap
