// SPDX-License-Identifier: MIT
#include "tests/support/scripted_dialogs.h"

namespace ferrotap::test {

void ScriptedDialogs::ShowError(const QString& text) {
  errors_ << text;
  shown_ << text;
}

void ScriptedDialogs::ShowInfo(const QString& text) {
  infos_ << text;
  shown_ << text;
}

bool ScriptedDialogs::ConfirmYesNo(const QString& text) {
  confirmTexts_ << text;
  shown_ << text;
  if (confirms_.empty()) {
    ++unscripted_;
    return false;
  }
  const bool yes = confirms_.front();
  confirms_.pop_front();
  return yes;
}

std::optional<QString> ScriptedDialogs::OpenFileName(const FileDialogSpec& spec) {
  openRequests_.push_back(spec);
  return NextFile();
}

std::optional<QString> ScriptedDialogs::SaveFileName(const FileDialogSpec& spec) {
  saveRequests_.push_back(spec);
  return NextFile();
}

std::optional<QString> ScriptedDialogs::NextFile() {
  if (files_.empty()) {
    ++unscripted_;
    return std::nullopt;
  }
  const auto [given, path] = files_.front();
  files_.pop_front();
  if (!given) return std::nullopt;
  return path;
}

std::optional<Color> ScriptedDialogs::ChooseColor(Color initial) {
  colorRequests_.push_back(initial);
  if (colors_.empty()) {
    ++unscripted_;
    return std::nullopt;
  }
  const std::optional<Color> answer = colors_.front();
  colors_.pop_front();
  return answer;
}

std::optional<uint16_t> ScriptedDialogs::SelectPort(const std::vector<uint16_t>& numbers,
                                                    const QStringList& descriptions) {
  portRequests_.push_back(numbers);
  portDescriptions_.push_back(descriptions);
  shown_.append("Select Port");
  if (ports_.empty()) {
    ++unscripted_;
    return std::nullopt;
  }
  const std::optional<uint16_t> answer = ports_.front();
  ports_.pop_front();
  return answer;
}

}  // namespace ferrotap::test
