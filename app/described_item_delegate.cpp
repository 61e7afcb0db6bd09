// SPDX-License-Identifier: MIT
#include "app/described_item_delegate.h"

namespace ferrotap {

DescribedItemDelegate::DescribedItemDelegate(int descriptionRole, QObject* parent)
    : QStyledItemDelegate(parent), descriptionRole_(descriptionRole) {}

void DescribedItemDelegate::initStyleOption(QStyleOptionViewItem* option,
                                            const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  const QString description = index.data(descriptionRole_).toString();
  if (!description.isEmpty()) option->text += QStringLiteral("    ") + description;
}

}  // namespace ferrotap
