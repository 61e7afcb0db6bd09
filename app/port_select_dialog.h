// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;

namespace ferrotap {

// Asks for another serial port when the configured one is not valid.
class PortSelectDialog : public QDialog {
  Q_OBJECT

 public:
  // descriptions, one per number where given, say which device each number is.
  explicit PortSelectDialog(const std::vector<uint16_t>& numbers,
                            const QStringList& descriptions = {}, QWidget* parent = nullptr);

  // The number of the chosen entry; nothing when the list is empty.
  std::optional<uint16_t> SelectedNumber() const;

 private:
  QComboBox* ports_;
  QLabel* device_;
};

}  // namespace ferrotap
