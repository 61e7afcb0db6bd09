// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

#include "app/dialogs.h"

namespace ferrotap::bench {

// Keeps what the window would show in message boxes: no box may block a run.
class RecordingDialogs : public Dialogs {
 public:
  void ShowError(const QString& text) override { errors.push_back(text); }
  void ShowInfo(const QString& text) override { infos.push_back(text); }
  bool ConfirmYesNo(const QString&) override { return false; }
  std::optional<QString> OpenFileName(const FileDialogSpec&) override { return {}; }
  std::optional<QString> SaveFileName(const FileDialogSpec&) override { return {}; }
  std::optional<Color> ChooseColor(Color) override { return {}; }
  std::optional<uint16_t> SelectPort(const std::vector<uint16_t>&, const QStringList&) override {
    return {};
  }
  void Beep() override {}

  QStringList errors;
  QStringList infos;
};

}  // namespace ferrotap::bench
