#include "serial/port_select_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ferrotap {

PortSelectDialog::PortSelectDialog(const std::vector<uint16_t>& numbers, QWidget* parent)
    : QDialog(parent), ports_(new QComboBox(this)) {
  setWindowTitle("Select Port");
  setObjectName("PortSelectDialog");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("The configured serial port is not valid.", this));
  layout->addWidget(new QLabel("Please choose another port.", this));
  ports_->setObjectName("CBPorts");
  ports_->setEditable(false);
  for (uint16_t n : numbers) ports_->addItem(QString::asprintf("COM%d", n), n);
  if (ports_->count() > 0) ports_->setCurrentIndex(0);
  layout->addWidget(ports_);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("BBOK");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("BBCANCEL");
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<uint16_t> PortSelectDialog::SelectedNumber() const {
  if (ports_->currentIndex() < 0) return std::nullopt;
  return static_cast<uint16_t>(ports_->currentData().toUInt());
}

}  // namespace ferrotap
