// SPDX-License-Identifier: MIT
#include "app/widgets/find_bar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/data_window.h"
#include "app/widgets/named.h"

namespace ferrotap {

FindBar::FindBar(DataWindow* window, std::function<bool()> hexShown, QWidget* parent)
    : QFrame(parent), window_(window), hexShown_(std::move(hexShown)) {
  setObjectName("PNFIND");
  EDFIND = Named<QLineEdit>("EDFIND");
  EDFIND->setPlaceholderText("Find (in HEX: byte values like 0D 0A)");
  // Short captions: the row fits the data window of the smallest window.
  EDFIND->setMinimumWidth(80);
  CBFINDCASE = Named<QCheckBox>("CBFINDCASE", "Case");
  CBFINDCASE->setToolTip("Match case");
  BBFINDPREV = Named<QPushButton>("BBFINDPREV", "Previous");
  BBFINDNEXT = Named<QPushButton>("BBFINDNEXT", "Next");
  STFINDCOUNT = Named<QLabel>("STFINDCOUNT");
  BBFINDCLOSE = Named<QPushButton>("BBFINDCLOSE", "Close");
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(EDFIND, 1);
  layout->addWidget(CBFINDCASE);
  layout->addWidget(BBFINDPREV);
  layout->addWidget(BBFINDNEXT);
  layout->addWidget(STFINDCOUNT);
  layout->addWidget(BBFINDCLOSE);
  connect(EDFIND, &QLineEdit::textChanged, this, &FindBar::QueryChanged);
  connect(CBFINDCASE, &QCheckBox::toggled, this, &FindBar::QueryChanged);
  connect(EDFIND, &QLineEdit::returnPressed, this, [this] { Find(false); });
  connect(BBFINDNEXT, &QPushButton::clicked, this, [this] { Find(false); });
  connect(BBFINDPREV, &QPushButton::clicked, this, [this] { Find(true); });
  connect(BBFINDCLOSE, &QPushButton::clicked, this, [this] {
    window_->SetSearch({});
    hide();
    window_->setFocus();
  });
  hide();
}

void FindBar::Open() {
  show();
  EDFIND->setFocus();
  EDFIND->selectAll();
}

void FindBar::QueryChanged() {
  window_->SetSearch(
      DataWindowQuery(EDFIND->text().toLatin1().toStdString(), CBFINDCASE->isChecked(), hexShown_()));
  STFINDCOUNT->clear();
}

void FindBar::Find(bool backward) {
  // The rendering may have changed since the text was typed.
  QueryChanged();
  if (EDFIND->text().isEmpty()) return;
  const bool found = window_->Find(backward);
  const std::size_t count = found ? window_->MatchCount() : 0;
  STFINDCOUNT->setText(count == 0 ? QString("No match")
                                  : QString("%1 match%2").arg(count).arg(count == 1 ? "" : "es"));
}

void FindBar::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    BBFINDCLOSE->click();
    return;
  }
  QFrame::keyPressEvent(event);
}

}  // namespace ferrotap
