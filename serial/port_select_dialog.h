#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>
#include <vector>

#include "serial/com_port.h"

class QComboBox;

namespace ferrotap {

// Asks for another serial port when the configured one is not valid.
class PortSelectDialog : public QDialog {
  Q_OBJECT

 public:
  explicit PortSelectDialog(const std::vector<uint16_t>& numbers, QWidget* parent = nullptr);

  // The number of the chosen entry; nothing when the list is empty.
  std::optional<uint16_t> SelectedNumber() const;

  // A prompter for ComPort that shows this dialog modally.
  static ComPort::PortPrompter Prompter(QWidget* parent = nullptr);

 private:
  QComboBox* ports_;
};

}  // namespace ferrotap
