// SPDX-License-Identifier: MIT
#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/colors.h"
#include "core/program_folders.h"
#include "serial/capture_settings_file.h"

class QTabWidget;

namespace ferrotap {

class AsciiCommandsPage;
class ComPort;
class IntervalTimer;
class LogReplayRunner;
class StatusLightController;
class ComSettingPage;
class DataWindow;
class Dialogs;
class ProtocolEngine;
class ProtocolSettingPage;
class Session;
class SimulationTable;
class SimulationTableController;
class SimulationRoles;
class Sender;
class SimulationTablePage;
class StatusStrip;
class TerminalPage;
class WindowSession;

// The one window of the program: the five pages, the strip below them and the program-wide state.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // exeDir is the program's folder: settings files live there and every file dialog opens there.
  // Without dialogs the standard Qt ones are used.
  explicit MainWindow(const QString& exeDir, Dialogs* dialogs = nullptr, QWidget* parent = nullptr);
  // The settings files and the file dialogs each in their own folder.
  explicit MainWindow(const ProgramFolders& folders, Dialogs* dialogs = nullptr,
                      QWidget* parent = nullptr);
  ~MainWindow() override;

  static constexpr int kInitialWidth = 684;
  static constexpr int kInitialHeight = 462;
  static constexpr int kTerminalPageIndex = 0;

  // Where every file dialog opens; ends with '/'.
  const QString& ExeDir() const { return exeDir_; }
  // Where Port_CFG.cps and ports.map are; ends with '/'.
  const QString& SettingsDir() const { return settingsDir_; }
  const QString& CpsPath() const { return cpsPath_; }
  // What ends a line in the data window.
  const Bytes& LineBreak() const { return lineBreak_; }
  const ColorSet& Colors() const { return colors_; }
  ColorSet& Colors() { return colors_; }
  Dialogs& GetDialogs() const { return *dialogs_; }

  TerminalPage* Terminal() const { return TabSheet1; }
  ComSettingPage* ComSetting() const { return TabSheet3; }
  StatusStrip* Strip() const { return strip_; }

  QTabWidget* PageControl1;
  TerminalPage* TabSheet1;
  ComSettingPage* TabSheet3;
  ProtocolSettingPage* TabSheet2;
  SimulationTablePage* TabSheet4;
  AsciiCommandsPage* TabSheet5;
  DataWindow* REA = nullptr;

  // Window-level handlers.
  void FormKeyDown(int key);
  void FormResize();

  // Data window commands.
  void Clear1Click();
  void SBCREALDWINClick();
  void Savetifile1Click();
  void NewLineatcursor1Click();
  void SavetoFile1Click();
  void Savetoplanfile1Click();

  // The ports, decoding, simulation and sending, shared with ferrotap-cli.
  Session& GetSession() const { return *session_; }
  // The protocol controls: the definition, decoding on and off.
  ProtocolEngine& Protocol() const { return *protocol_; }
  SimulationTableController& SimulationTableControls() const { return *simulationTable_; }

  // Port settings: copy the Com Setting controls into the ports and open them; close both.
  void ApplyPortSettings();
  void ClosePorts();

  // Serial ports A and B (the session's), port A's lamp controller and the RS-485 direction
  // timer.
  ComPort* CP1;
  ComPort* CP2;
  std::unique_ptr<StatusLightController> LEDCTRL;
  IntervalTimer* TIMER485;

  // Capture: the bytes of the last data-available notification of each port.
  void ShowEcho(const Bytes& bytes);
  const Bytes& RxPackA() const;
  const Bytes& RxPackB() const;

  // The capture log: "Log to file" starts (asking for the file) and stops it; "Open log" plays a
  // log back into the data window.
  void BBLOGFILEClick(bool checked);
  void BBOPENLOGClick();

  // Transmit: the only way bytes leave port A.
  void SendOnPortA(const Bytes& bytes);
  // The prepared commands 1 to 30; the keys F1 to F10 send the first ten.
  std::array<Bytes, 30>& AsciiCommandTable();
  // What the simulation plays: the command table last applied on the simulation page.
  const SimulationTable& SimTable() const;
  // Typed strings, files and the command list.
  Sender* Transmit() const { return sender_; }

  // Line status and lamps.
  void Label4Click();
  void Label5Click();
  void SBERRCLEARClick();
  void SpeedButton1Click();

  // Colour editing on the Com Setting page.
  void CBWCOLORChange();
  void BLOCOLClick();

  // Port settings page and the .cps file. File errors throw std::runtime_error.
  void ReadCpsFile(const QString& path);
  void WriteCpsFile(const QString& path) const;
  void BBCOMSAVEClick();
  void BBCOMLOADClick();
  void BBCOMAPPLYClick();
  // Spy mode ("Spy RX and TX (2 Coms)") on or off, across the Terminal and Com Setting pages.
  void CB2COMClick();
  // The capture settings (time stamps, idle gap) beside a .cps file, and the idle gap as typed.
  CaptureSettings ShownCaptureSettings() const;
  void ShowCaptureSettings(const CaptureSettings& settings);
  void EDIDLEGAPExit();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The window's side of the session shows on the lamps and in the data window.
  friend class WindowSession;

  void BuildPages();
  void FormCreate();
  void ConnectDataWindowMenu();
  void ConnectColorEditing();
  // Port settings page and the .cps file.
  void ConnectSettingsPage();
  void ReadOrWriteStartupSettings();
  void ReadCaptureSettingsBeside(const QString& cpsPath);
  void ShowRtsLabelMode(bool rs485);
  void ShowOutputLamps();
  void SaveDataWindow(const QString& extension, const QString& filter, bool rtf);
  void ApplyDataWindowMemory(int megabytes);
  bool IsFirstReceiver(QObject* watched) const;

  void FormDestroy();
  void ConnectStatusStrip();
  void CreatePorts();
  void ShowPortPaths();
  void ShowPortDevices();
  QStringList PortDescriptions(const std::vector<uint16_t>& numbers) const;
  // A port's loss or return, on a line of its own in the data window.
  void WritePortEvent(const std::string& line);

  std::unique_ptr<Dialogs> ownDialogs_;
  Dialogs* dialogs_;
  StatusStrip* strip_;
  Sender* sender_;

  QString exeDir_;
  QString settingsDir_;
  QString cpsPath_;
  Bytes lineBreak_;
  // The default colours of the desktop's palette (the given ones, or lifted for a dark one).
  ColorSet paletteDefaults_;
  Color portNoticeColor_ = kPortNoticeColor;
  ColorSet colors_;

  IdleGap lastIdleGap_ = CaptureSettings{}.idleGap;
  int dataWindowMemoryMB_ = CaptureSettings{}.dataWindowMemoryMB;
  std::string storeFolder_;
  std::unique_ptr<WindowSession> windowSession_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<ProtocolEngine> protocol_;
  std::unique_ptr<SimulationTableController> simulationTable_;
  std::unique_ptr<SimulationRoles> simulation_;
  std::unique_ptr<LogReplayRunner> logReplay_;
};

}  // namespace ferrotap
