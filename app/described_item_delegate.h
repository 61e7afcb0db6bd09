// SPDX-License-Identifier: MIT
#pragma once

#include <QStyledItemDelegate>

namespace ferrotap {

// A list shows each item followed by a description held in another role of the item; the item's
// own text, which a combo box shows and hands on when chosen, stays as it is.
class DescribedItemDelegate : public QStyledItemDelegate {
 public:
  DescribedItemDelegate(int descriptionRole, QObject* parent);

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

 private:
  int descriptionRole_;
};

}  // namespace ferrotap
