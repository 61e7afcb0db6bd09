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

class QTabWidget;

namespace ferrotap {

class AsciiCommandsPage;
class ComPort;
class IntervalTimer;
class StatusLightController;
class ComSettingPage;
class DataWindow;
class Dialogs;
class ProtocolEngine;
class ProtocolSettingPage;
class SimulationTable;
class SimulationTableController;
class SimulationRoles;
class Sender;
class SimulationTablePage;
class StatusStrip;
class TerminalPage;

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
  DataWindow* REA;

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

  // The protocol definition, both ports' packet decoders and the protocol time-outs.
  ProtocolEngine& Protocol() const { return *protocol_; }

  // Port settings: copy the Com Setting controls into the ports and open them; close both.
  void ApplyPortSettings();
  void ClosePorts();

  // Serial ports A and B, port A's lamp controller and the RS-485 direction timer.
  std::unique_ptr<ComPort> CP1;
  std::unique_ptr<ComPort> CP2;
  std::unique_ptr<StatusLightController> LEDCTRL;
  IntervalTimer* TIMER485;

  // Capture: the bytes of the last data-available notification of each port.
  void CP1TriggerAvail(ComPort& port, uint16_t count);
  void CP2TriggerAvail(ComPort& port, uint16_t count);
  void ShowPortA(const Bytes& bytes);
  void ShowEcho(const Bytes& bytes);
  Bytes RenderA(const Bytes& bytes) const;
  Bytes RenderB(const Bytes& bytes) const;
  const Bytes& RxPackA() const { return rxPackA_; }
  const Bytes& RxPackB() const { return rxPackB_; }

  // Transmit: the only way bytes leave port A.
  void SendOnPortA(const Bytes& bytes);
  void TIMER485Timer();
  // The prepared commands 1 to 30; the keys F1 to F10 send the first ten.
  std::array<Bytes, 30>& AsciiCommandTable() { return asciiCommandTable_; }
  // What the simulation plays: the command table last applied on the simulation page.
  const SimulationTable& SimTable() const;
  // The master and slave roles on port A, and Timer1 for the slave's SYNC.
  SimulationRoles& Simulation() const { return *simulation_; }
  uint16_t ModemTriggerA() const { return modemTriggerA_; }
  // Typed strings, files and the command list.
  Sender* Transmit() const { return sender_; }

  // Line status and lamps.
  void CP1TriggerLineError(ComPort& port, uint16_t error, bool lineBreak);
  void CP2TriggerLineError(ComPort& port, uint16_t error, bool lineBreak);
  void CP1TriggerModemStatus(ComPort& port);
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

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildPages();
  void FormCreate();
  void ConnectDataWindowMenu();
  void ConnectColorEditing();
  // Port settings page and the .cps file.
  void ConnectSettingsPage();
  void ReadOrWriteStartupSettings();
  void ShowRtsLabelMode(bool rs485);
  void SaveDataWindow(const QString& extension, const QString& filter, bool rtf);
  bool IsFirstReceiver(QObject* watched) const;

  void FormDestroy();
  void ConnectStatusStrip();
  void CreatePorts();
  void ShowPortPaths();
  void ShowPortDevices();
  QStringList PortDescriptions(const std::vector<uint16_t>& numbers) const;
  void OpenPortA();
  void OpenPortB();
  void PortLost(char port, const std::string& reason);
  void PortBack(char port, const std::string& path);
  void InsertColored(ColorRole role, const Bytes& text);
  void ConnectSender();

  std::unique_ptr<Dialogs> ownDialogs_;
  Dialogs* dialogs_;
  StatusStrip* strip_;
  Sender* sender_;

  QString exeDir_;
  QString settingsDir_;
  QString cpsPath_;
  Bytes lineBreak_;
  ColorSet colors_;

  Bytes rxPackA_;
  Bytes rxPackB_;
  uint16_t rxCountA_ = 0;
  uint16_t rxCountB_ = 0;
  std::array<Bytes, 30> asciiCommandTable_;
  std::unique_ptr<ProtocolEngine> protocol_;
  std::unique_ptr<SimulationTableController> simulationTable_;
  std::unique_ptr<SimulationRoles> simulation_;
  // Trigger handles made at each open (the protocol timers are the engine's): port A's
  // modem-status and line-status triggers, port B's line-status trigger.
  uint16_t modemTriggerA_ = 0;
  QString rs485NoticeShownFor_;
  uint16_t lineTriggerA_ = 0;
  uint16_t lineTriggerB_ = 0;
};

}  // namespace ferrotap
