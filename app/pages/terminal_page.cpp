// SPDX-License-Identifier: MIT
#include "app/pages/terminal_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/data_window.h"
#include "app/widgets/editable_combo_box.h"
#include "app/widgets/find_bar.h"
#include "app/widgets/named.h"

namespace ferrotap {
namespace {

constexpr int kGap = 5;
constexpr int kSideColumnWidth = 200;
constexpr int kSmallButtonWidth = 48;
const QStringList kDataFormats = {"ASCII", "ASCII filt", "HEX", "DEC", "BIN"};
constexpr int kHexFormat = 2;

EditableComboBox* FormatSelector(const char* name) {
  auto* box = Named<EditableComboBox>(name);
  box->addItems(kDataFormats);
  box->setCurrentIndex(kHexFormat);
  return box;
}

}  // namespace

TerminalPage::TerminalPage(QWidget* parent) : QWidget(parent) {
  Panel3 = Named<QFrame>("Panel3", this);
  REA = Named<DataWindow>("REA", Panel3);
  auto* panelLayout = new QVBoxLayout(Panel3);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  panelLayout->addWidget(REA);
  PNFIND = new FindBar(REA, [this] { return CBINDATAF->currentIndex() == kHexFormat; }, Panel3);
  panelLayout->addWidget(PNFIND);
  auto* find = new QShortcut(QKeySequence::Find, this);
  find->setContext(Qt::WidgetWithChildrenShortcut);
  connect(find, &QShortcut::activated, PNFIND, &FindBar::Open);

  // The data window reaches down to the transmit box; when the box is hidden (spy mode, master
  // simulation) the layout lets it grow to the box's bottom edge.
  auto* left = new QVBoxLayout;
  left->setSpacing(kGap);
  left->addWidget(Panel3, 1);
  left->addWidget(BuildTransmitBox());

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(kGap, kGap, kGap, kGap);
  layout->setSpacing(kGap);
  layout->addLayout(left, 1);
  layout->addWidget(BuildSideColumn());
}

TimeStampMode TerminalPage::TimeStamps() const {
  const int index = CBOXTIMESTAMP->currentIndex();
  return index < 0 ? TimeStampMode::None : static_cast<TimeStampMode>(index);
}

QWidget* TerminalPage::BuildTransmitBox() {
  GBFLYTX = Named<QGroupBox>("GBFLYTX", " On fly TX ", this);
  EDFLYTX = Named<QLineEdit>("EDFLYTX");
  PopupMenu2 = Named<QMenu>("PopupMenu2", EDFLYTX);
  Loadfromfile1 = Named<QAction>("Loadfromfile1", "Load from file", PopupMenu2);
  Savetofile2 = Named<QAction>("Savetofile2", "Save to file", PopupMenu2);
  PopupMenu2->addAction(Loadfromfile1);
  PopupMenu2->addAction(Savetofile2);
  EDFLYTX->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(EDFLYTX, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PopupMenu2->popup(EDFLYTX->mapToGlobal(pos)); });

  BBFLYTX = Named<QPushButton>("BBFLYTX", "TX");
  BBFLYTX->setEnabled(false);
  // Enter sends as "TX" does; with nothing to send the button is disabled and takes no click.
  connect(EDFLYTX, &QLineEdit::returnPressed, BBFLYTX, &QPushButton::click);
  BBTXFILE = Named<QPushButton>("BBTXFILE", "TX FILE");
  CBADDCRLF = Named<QCheckBox>("CBADDCRLF", "Add CR(LF)");
  CBUSEAC = Named<QCheckBox>("CBUSEAC", " Use Commands List");
  Label52 = Named<QLabel>("Label52", "CMD:");
  Label52->setEnabled(false);
  CBOXAC = Named<QComboBox>("CBOXAC");
  CBOXAC->setEnabled(false);
  CBOXAC->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  BBACTX = Named<QPushButton>("BBACTX", "TX");
  BBACTX->setEnabled(false);
  PBTXFILE = Named<QProgressBar>("PBTXFILE");
  PBTXFILE->setRange(0, 1000);
  PBTXFILE->setVisible(false);
  BBTXSTOP = Named<QPushButton>("BBTXSTOP", "Cancel");
  BBTXSTOP->setVisible(false);

  auto* grid = new QGridLayout(GBFLYTX);
  grid->setContentsMargins(kGap + 1, kGap, kGap + 1, kGap + 1);
  grid->setHorizontalSpacing(kGap + 1);
  grid->setVerticalSpacing(kGap);
  grid->addWidget(EDFLYTX, 0, 0, 1, 4);
  grid->addWidget(BBFLYTX, 0, 4);
  grid->addWidget(BBTXFILE, 0, 5);
  grid->addWidget(CBADDCRLF, 1, 0);
  grid->addWidget(CBUSEAC, 1, 1);
  grid->addWidget(Label52, 1, 2, Qt::AlignRight);
  grid->addWidget(CBOXAC, 1, 3);
  grid->addWidget(BBACTX, 1, 4);
  grid->addWidget(PBTXFILE, 2, 0, 1, 4);
  grid->addWidget(BBTXSTOP, 2, 4, 1, 2);
  grid->setColumnStretch(3, 1);
  for (QPushButton* button : {BBFLYTX, BBACTX}) button->setMaximumWidth(kSmallButtonWidth);
  return GBFLYTX;
}

QWidget* TerminalPage::BuildSideColumn() {
  auto* column = new QWidget(this);
  column->setFixedWidth(kSideColumnWidth);

  CBDECPROT = Named<QCheckBox>("CBDECPROT", "Decode Protocol");
  RBNOSIM = Named<QRadioButton>("RBNOSIM", "No Protocol simulation");
  RBNOSIM->setChecked(true);
  RBSIMMASTER = Named<QRadioButton>("RBSIMMASTER", "Simulate Protocol as Master");
  RBSIMSLAVE = Named<QRadioButton>("RBSIMSLAVE", "Simulate Protocol as Slave");
  for (QRadioButton* choice : {RBNOSIM, RBSIMMASTER, RBSIMSLAVE}) choice->setEnabled(false);

  Label39 = Named<QLabel>("Label39", "In Data Format");
  CBINDATAF = FormatSelector("CBINDATAF");
  Label8 = Named<QLabel>("Label8", "Echo/Sim Data Format");
  CBOUTDATAF = FormatSelector("CBOUTDATAF");
  CBECHO = Named<QCheckBox>("CBECHO", "Echo");
  CBECHO->setChecked(true);
  BBPAUSE = Named<QPushButton>("BBPAUSE", "Pause");
  BBPAUSE->setCheckable(true);
  connect(BBPAUSE, &QPushButton::toggled, REA, &DataWindow::SetPaused);
  LBTIMESTAMP = Named<QLabel>("LBTIMESTAMP", "Timestamps");
  CBOXTIMESTAMP = Named<EditableComboBox>("CBOXTIMESTAMP");
  // Short items, so that label and box share a row; the tips show the formats.
  CBOXTIMESTAMP->addItems({"None", "Absolute", "Relative"});
  CBOXTIMESTAMP->setItemData(1, "Time of day: hh:mm:ss.mmm", Qt::ToolTipRole);
  CBOXTIMESTAMP->setItemData(2, "Since the previous stamp: +s.mmm", Qt::ToolTipRole);
  CBIDLEGAP = Named<QCheckBox>("CBIDLEGAP", "New line after idle");
  EDIDLEGAP = Named<QLineEdit>("EDIDLEGAP", "3.5c");
  EDIDLEGAP->setToolTip("Milliseconds like 100ms, or character times like 3.5c");
  EDIDLEGAP->setMaximumWidth(kSideColumnWidth / 3);
  BBLOGFILE = Named<QPushButton>("BBLOGFILE", "Log to file");
  BBLOGFILE->setCheckable(true);
  BBOPENLOG = Named<QPushButton>("BBOPENLOG", "Open log");
  CBLOGTEXT = Named<QCheckBox>("CBLOGTEXT", "Log the shown text too");

  GBCOMSIM = Named<QGroupBox>("GBCOMSIM", " Command to simulate ");
  SESIMCOMM = Named<QSpinBox>("SESIMCOMM");
  SESIMCOMM->setRange(0, 255);
  SESIMCOMM->setValue(1);
  SBSIMCOMM = Named<QPushButton>("SBSIMCOMM", "TX");
  QFont bold = SBSIMCOMM->font();
  bold.setBold(true);
  SBSIMCOMM->setFont(bold);
  auto* simLayout = new QHBoxLayout(GBCOMSIM);
  simLayout->setContentsMargins(kGap + 1, kGap, kGap + 1, kGap + 1);
  simLayout->addWidget(SESIMCOMM, 1);
  simLayout->addWidget(SBSIMCOMM);
  GBCOMSIM->setVisible(false);

  // The radio buttons share one parent so that they exclude each other.
  auto* simulation = new QFrame;
  simulation->setFrameShape(QFrame::StyledPanel);
  auto* simChoices = new QVBoxLayout(simulation);
  simChoices->setContentsMargins(kGap + 1, kGap, kGap + 1, kGap);
  simChoices->setSpacing(2);
  simChoices->addWidget(RBNOSIM);
  simChoices->addWidget(RBSIMMASTER);
  simChoices->addWidget(RBSIMSLAVE);

  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(kGap);
  layout->addWidget(CBDECPROT);
  layout->addWidget(simulation);
  layout->addWidget(Label39);
  layout->addWidget(CBINDATAF);
  layout->addWidget(Label8);
  layout->addWidget(CBOUTDATAF);
  // The capture controls share rows, so that the simulation's command keeps its height in the
  // smallest window.
  auto* echo = new QHBoxLayout;
  echo->addWidget(CBECHO, 1);
  echo->addWidget(BBPAUSE, 1);
  layout->addLayout(echo);
  auto* stamps = new QHBoxLayout;
  stamps->addWidget(LBTIMESTAMP);
  stamps->addWidget(CBOXTIMESTAMP, 1);
  layout->addLayout(stamps);
  auto* gap = new QHBoxLayout;
  gap->addWidget(CBIDLEGAP, 1);
  gap->addWidget(EDIDLEGAP);
  layout->addLayout(gap);
  auto* log = new QHBoxLayout;
  log->addWidget(BBLOGFILE);
  log->addWidget(BBOPENLOG);
  layout->addLayout(log);
  layout->addWidget(CBLOGTEXT);
  layout->addStretch(1);
  layout->addWidget(GBCOMSIM);
  return column;
}

}  // namespace ferrotap
