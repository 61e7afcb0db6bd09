// SPDX-License-Identifier: MIT
#include "app/main_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/data_window.h"
#include "app/dialogs.h"
#include "app/interval_timer.h"
#include "app/log_replay_runner.h"
#include "app/pages/ascii_commands_page.h"
#include "app/pages/com_setting_page.h"
#include "app/pages/protocol_setting_page.h"
#include "app/pages/simulation_table_page.h"
#include "app/pages/terminal_page.h"
#include "app/protocol_engine.h"
#include "app/qt_color.h"
#include "app/sender.h"
#include "app/simulation_roles.h"
#include "app/simulation_table_controller.h"
#include "app/status_strip.h"
#include "app/widgets/named.h"
#include "app/window_session.h"
#include "app/window_setup.h"
#include "core/program_folders.h"
#include "core/readable_color.h"
#include "core/spill_store.h"
#include "serial/com_port.h"
#include "serial/status_light_controller.h"
#include "session/session.h"

namespace ferrotap {
namespace {

const QString kBaseCaption = QStringLiteral("KOB - Ferrotap RS-232/RS-485 Monitor by Vostrel");

constexpr int kFontPointSize = 8;

QTableWidget* Grid(const QWidget* window, const char* name) {
  return window->findChild<QTableWidget*>(QString::fromLatin1(name));
}

QString FolderWithSlash(const std::string& folder) {
  QString text = QDir::fromNativeSeparators(QFile::decodeName(folder.c_str()));
  if (!text.endsWith('/')) text += '/';
  return text;
}

}  // namespace

MainWindow::MainWindow(const QString& exeDir, Dialogs* dialogs, QWidget* parent)
    : MainWindow(ProgramFolders{QFile::encodeName(exeDir).toStdString(),
                                QFile::encodeName(exeDir).toStdString()},
                 dialogs, parent) {}

MainWindow::MainWindow(const ProgramFolders& folders, Dialogs* dialogs, QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      exeDir_(FolderWithSlash(folders.dialogs)),
      settingsDir_(FolderWithSlash(folders.settings)) {
  if (dialogs_ == nullptr) {
    ownDialogs_ = std::make_unique<QtDialogs>(this);
    dialogs_ = ownDialogs_.get();
  }
  setObjectName("MainWindow");
  setWindowTitle(kBaseCaption);
  // A store a crashed run could not remove goes before this run makes its own.
  storeFolder_ = UserCacheFolder(CurrentUserEnvironment());
  SpillStore::RemoveLeftovers(storeFolder_);
  // The five pages must fit side by side in the smallest window.
  QFont compact = font();
  compact.setPointSize(kFontPointSize);
  setFont(compact);
  if (const QPalette desktop = palette(); IsDarkPalette(desktop)) {
    const Color base = FromQColor(desktop.color(QPalette::Base));
    paletteDefaults_ = DarkPaletteDefaults(base);
    portNoticeColor_ = ReadableOn(kPortNoticeColor, base);
  }
  colors_ = paletteDefaults_;
  BuildPages();
  windowSession_ = std::make_unique<WindowSession>(*this);
  session_ = std::make_unique<Session>(*windowSession_, *windowSession_,
                                       QFile::encodeName(settingsDir_).toStdString());
  protocol_ = std::make_unique<ProtocolEngine>(*TabSheet2, *TabSheet1, *TabSheet3, *strip_,
                                               *session_, *dialogs_, exeDir_);
  ConnectSettingsPage();

  // The window frame adds about 16 x 38 pixels, which makes the smallest window 700 x 500.
  setMinimumSize(kInitialWidth, kInitialHeight);
  resize(kInitialWidth, kInitialHeight);
  if (const QScreen* screen = this->screen()) {
    move(screen->availableGeometry().center() - rect().center());
  }

  CreatePorts();
  sender_ = new Sender(*TabSheet1, *TabSheet5, *session_, *dialogs_, exeDir_, this);
  ConnectStatusStrip();
  FormCreate();
  simulationTable_ = std::make_unique<SimulationTableController>(TabSheet4, session_->SimTable(),
                                                                 *dialogs_, exeDir_);
  simulation_ = std::make_unique<SimulationRoles>(*TabSheet1, *REA, *session_);
  logReplay_ = std::make_unique<LogReplayRunner>(*session_, *strip_->SB2, *dialogs_);
  ConnectDataWindowMenu();
  ConnectColorEditing();
  ApplyDataWindowMemory(dataWindowMemoryMB_);
  // Queued: the problem is met while text is shown, which a modal box must not interrupt.
  connect(
      REA, &DataWindow::StoreProblem, this,
      [this](const QString& message) { dialogs_->ShowError(message); }, Qt::QueuedConnection);
  connect(strip_->SBCREALDWIN, &QPushButton::clicked, this, &MainWindow::SBCREALDWINClick);
  connect(REA, &DataWindow::ClearUndone, this, [this] { session_->DisplayClearUndone(); });

  // Sees every key before the focused control does, and never takes it away from it.
  qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  // A file send ends quietly with the window.
  session_->StopFileSend();
  // Nothing may escape a destructor; a port that cannot close cleanly is closing anyway.
  try {
    FormDestroy();
  } catch (const std::exception&) {
  }
  // The lamps watch port A, which goes with the session.
  LEDCTRL.reset();
}

const SimulationTable& MainWindow::SimTable() const {
  return session_->SimTable();
}

std::array<Bytes, 30>& MainWindow::AsciiCommandTable() {
  return session_->Commands();
}

void MainWindow::FormDestroy() {
  ClosePorts();
}

void MainWindow::BuildPages() {
  PageControl1 = Named<QTabWidget>("PageControl1");
  QFont bold = PageControl1->tabBar()->font();
  bold.setBold(true);
  PageControl1->tabBar()->setFont(bold);

  TabSheet1 = Named<TerminalPage>("TabSheet1");
  TabSheet3 = Named<ComSettingPage>("TabSheet3");
  TabSheet2 = Named<ProtocolSettingPage>("TabSheet2");
  TabSheet4 = Named<SimulationTablePage>("TabSheet4");
  TabSheet5 = Named<AsciiCommandsPage>("TabSheet5");
  PageControl1->addTab(TabSheet1, "  Terminal  ");
  PageControl1->addTab(TabSheet3, "  Com Setting  ");
  PageControl1->addTab(TabSheet2, "  Protocol Setting  ");
  PageControl1->addTab(TabSheet4, "  Protocol Simulation  ");
  PageControl1->addTab(TabSheet5, "  ASCII Commands  ");
  REA = TabSheet1->REA;

  strip_ = new StatusStrip;
  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(5);
  layout->addWidget(PageControl1, 1);
  layout->addWidget(strip_);
  setCentralWidget(central);
}

void MainWindow::FormCreate() {
  setWindowTitle(
      windowTitle() + " - Ver. " +
      VersionText(FERROTAP_VERSION_MAJOR, FERROTAP_VERSION_MINOR, FERROTAP_VERSION_PATCH));
  cpsPath_ = settingsDir_ + "Port_CFG.cps";
  ShowPortPaths();
  // Our data window ends a line at CR, LF or CR LF alike; CR LF keeps saved text portable.
  lineBreak_ = "\r\n";
  SetSimulationGridHeader(Grid(this, "SGPS"));
  SetCommandGridHeader(Grid(this, "SGAC"));
  PageControl1->setCurrentIndex(kTerminalPageIndex);
  ReadOrWriteStartupSettings();
  // The form's protocol is in force before the first byte arrives.
  protocol_->ApplyProtocolDefinition();
  // Start-up goes on whatever fails here: the window shows in any case.
  try {
    ApplyPortSettings();
  } catch (const std::exception& error) {
    dialogs_->ShowError(QString::fromLocal8Bit(error.what()));
  }
}

void MainWindow::ConnectStatusStrip() {
  connect(strip_->SBERRCLEAR, &QPushButton::clicked, this, &MainWindow::SBERRCLEARClick);
  connect(strip_->SpeedButton1, &QPushButton::clicked, this, &MainWindow::SpeedButton1Click);
}

void MainWindow::FormKeyDown(int key) {
  if (PageControl1->currentIndex() != kTerminalPageIndex) return;
  if (key == Qt::Key_Delete) {
    Clear1Click();
    return;
  }
  if (!TabSheet1->CBUSEAC->isChecked()) return;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F10) {
    session_->SendCommand(key - Qt::Key_F1 + 1);
  } else {
    dialogs_->Beep();
  }
}

void MainWindow::FormResize() {
  ResizeGridColumns(Grid(this, "SGPS"), Grid(this, "SGAC"));
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

bool MainWindow::IsFirstReceiver(QObject* watched) const {
  // A key the focused control ignores travels on to its parents; act on its first delivery only.
  if (!watched->isWidgetType()) return false;
  const auto* widget = static_cast<QWidget*>(watched);
  if (widget->window() != this) return false;
  const QWidget* focus = QApplication::focusWidget();
  return focus != nullptr ? widget == focus : widget == this;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    // The "RTS" and "DTR" labels act as buttons.
    if (watched == strip_->Label4) Label4Click();
    if (watched == strip_->Label5) Label5Click();
  }
  if (event->type() == QEvent::KeyPress) {
    if (IsFirstReceiver(watched)) FormKeyDown(static_cast<QKeyEvent*>(event)->key());
  } else if (event->type() == QEvent::Resize && watched->isWidgetType()) {
    // A grid on a hidden page gets its new size only when its page is shown.
    const QString& name = watched->objectName();
    if ((name == QLatin1String("SGPS") || name == QLatin1String("SGAC")) &&
        isAncestorOf(static_cast<QWidget*>(watched))) {
      FormResize();
    }
  }
  return false;
}

}  // namespace ferrotap
