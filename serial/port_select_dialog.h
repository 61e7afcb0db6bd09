#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>
#include <vector>

class QComboBox;

namespace ferrotap {

// Asks for another serial port when the configured one is not valid.
class PortSelectDialog : public QDialog {
  Q_OBJECT

 public:
  explicit PortSelectDialog(const std::vector<uint16_t>& numbers, QWidget* parent = nullptr);

  // The number of the chosen entry; nothing when the list is empty.
  std::optional<uint16_t> SelectedNumber() const;

 private:
  QComboBox* ports_;
};

}  // namespace ferrotap
