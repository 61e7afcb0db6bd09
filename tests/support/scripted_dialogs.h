// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "app/dialogs.h"

namespace ferrotap::test {

// Dialogs for tests: records every text and request and answers from a script. A question asked
// with no scripted answer is answered as a cancel (or No) and counted in Unscripted().
class ScriptedDialogs : public Dialogs {
 public:
  // Answers, used in the order given; nullopt stands for Cancel.
  void AnswerFile(const std::optional<QString>& path) {
    files_.push_back({path.has_value(), path.value_or(QString())});
  }
  void AnswerColor(std::optional<Color> color) { colors_.push_back(color); }
  void AnswerConfirm(bool yes) { confirms_.push_back(yes); }
  void AnswerPort(std::optional<uint16_t> number) { ports_.push_back(number); }

  const QStringList& Errors() const { return errors_; }
  const QStringList& Infos() const { return infos_; }
  const QStringList& Confirmations() const { return confirmTexts_; }
  const std::vector<FileDialogSpec>& OpenRequests() const { return openRequests_; }
  const std::vector<FileDialogSpec>& SaveRequests() const { return saveRequests_; }
  const std::vector<Color>& ColorRequests() const { return colorRequests_; }
  const std::vector<std::vector<uint16_t>>& PortRequests() const { return portRequests_; }
  // The device descriptions offered with each port list.
  const std::vector<QStringList>& PortDescriptions() const { return portDescriptions_; }
  int Beeps() const { return beeps_; }
  int Unscripted() const { return unscripted_; }
  // Every text shown, in order, whatever the kind of box.
  const QStringList& Shown() const { return shown_; }

  void ShowError(const QString& text) override;
  void ShowInfo(const QString& text) override;
  bool ConfirmYesNo(const QString& text) override;
  std::optional<QString> OpenFileName(const FileDialogSpec& spec) override;
  std::optional<QString> SaveFileName(const FileDialogSpec& spec) override;
  std::optional<Color> ChooseColor(Color initial) override;
  std::optional<uint16_t> SelectPort(const std::vector<uint16_t>& numbers,
                                     const QStringList& descriptions) override;
  void Beep() override { ++beeps_; }

 private:
  std::optional<QString> NextFile();

  // Whether a name is given, and the name.
  std::deque<std::pair<bool, QString>> files_;
  std::deque<std::optional<Color>> colors_;
  std::deque<bool> confirms_;
  std::deque<std::optional<uint16_t>> ports_;
  std::vector<QStringList> portDescriptions_;
  std::vector<std::vector<uint16_t>> portRequests_;
  QStringList errors_;
  QStringList infos_;
  QStringList confirmTexts_;
  QStringList shown_;
  std::vector<FileDialogSpec> openRequests_;
  std::vector<FileDialogSpec> saveRequests_;
  std::vector<Color> colorRequests_;
  int beeps_ = 0;
  int unscripted_ = 0;
};

}  // namespace ferrotap::test
