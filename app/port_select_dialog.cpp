// SPDX-License-Identifier: MIT
#include "app/port_select_dialog.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/described_item_delegate.h"

namespace ferrotap {

PortSelectDialog::PortSelectDialog(const std::vector<uint16_t>& numbers,
                                   const QStringList& descriptions, QWidget* parent)
    : QDialog(parent), ports_(new QComboBox(this)), device_(new QLabel(this)) {
  setWindowTitle("Select Port");
  setObjectName("PortSelectDialog");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("The configured serial port is not valid.", this));
  layout->addWidget(new QLabel("Please choose another port.", this));
  ports_->setObjectName("CBPorts");
  ports_->setEditable(false);
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    ports_->addItem(QString::asprintf("COM%d", numbers[i]), numbers[i]);
    const auto index = static_cast<qsizetype>(i);
    if (index < descriptions.size()) {
      ports_->setItemData(ports_->count() - 1, descriptions[index], Qt::ToolTipRole);
    }
  }
  ports_->setItemDelegate(new DescribedItemDelegate(Qt::ToolTipRole, ports_));
  ports_->view()->setMinimumWidth(ports_->view()->sizeHintForColumn(0));
  // The entries stay "COM<n>"; the device of the chosen one shows below them too.
  device_->setObjectName("LBDEVICE");
  device_->setWordWrap(true);
  connect(ports_, &QComboBox::currentIndexChanged, this, [this](int index) {
    device_->setText(ports_->itemData(index, Qt::ToolTipRole).toString());
  });
  if (ports_->count() > 0) {
    ports_->setCurrentIndex(0);
    device_->setText(ports_->itemData(0, Qt::ToolTipRole).toString());
  }
  layout->addWidget(ports_);
  layout->addWidget(device_);
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
