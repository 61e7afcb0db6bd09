// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial/notification_channel.h"
#include "serial/read_mark.h"
#include "serial/serial_types.h"
#include "serial/trigger_table.h"

namespace ferrotap {

class ComPort;
class Dispatcher;
struct Notification;

// Told when a port has opened and when it has closed.
class PortListener {
 public:
  virtual ~PortListener() = default;
  virtual void PortOpened(ComPort& port) = 0;
  virtual void PortClosed(ComPort& port) = 0;
};

// One serial line: properties, open/close, the output and input rings, triggers. Everything is
// called on the UI thread; notifications arrive there through the channel the factory makes at
// each open.
class ComPort {
 public:
  enum class State { Closed, ShuttingDown, Open };
  // Offered port numbers -> the chosen one, or nothing for "Cancel".
  using PortPrompter = std::function<std::optional<uint16_t>(const std::vector<uint16_t>&)>;

  explicit ComPort(NotificationChannelFactory channels, std::string exeDir = {});
  ~ComPort();
  ComPort(const ComPort&) = delete;
  ComPort& operator=(const ComPort&) = delete;

  // Where ComNumber is looked up: FERROTAP_COM<n>, then ports.map in exeDir, then the defaults.
  void SetExeDir(std::string exeDir) { exeDir_ = std::move(exeDir); }
  const std::string& ExeDir() const { return exeDir_; }
  void SetPortPrompter(PortPrompter prompter) { prompter_ = std::move(prompter); }
  std::string DevicePath() const;
  // A device path that takes the place of the port number's (a front-end given a path, not a
  // number); empty: the number's.
  void SetDevicePathOverride(std::string path) { pathOverride_ = std::move(path); }
  // Where stable names of devices live; a lost device that comes back under another name is
  // found again through them.
  void SetLinkDir(std::string dir) { linkDir_ = std::move(dir); }

  void SetComNumber(uint16_t number);
  uint16_t ComNumber() const { return comNumber_; }
  void SetBaud(int32_t baud);
  int32_t Baud() const { return baud_; }
  void SetParity(ferrotap::Parity parity);
  ferrotap::Parity Parity() const { return parity_; }
  void SetDataBits(uint16_t bits);
  uint16_t DataBits() const { return dataBits_; }
  void SetStopBits(uint16_t bits);
  uint16_t StopBits() const { return stopBits_; }
  void SetInSize(uint16_t size);
  uint16_t InSize() const { return inSize_; }
  void SetOutSize(uint16_t size);
  uint16_t OutSize() const { return outSize_; }
  // The most one OnTriggerAvail tells, from the next open on (see Dispatcher::SetMostNotified).
  void SetMostNotified(uint16_t bytes) { mostNotified_ = bytes; }
  void SetOpen(bool open);
  bool Open() const { return open_; }
  void SetAutoOpen(bool on) { autoOpen_ = on; }
  bool AutoOpen() const { return autoOpen_; }
  void SetPromptForPort(bool on) { promptForPort_ = on; }
  bool PromptForPort() const { return promptForPort_; }
  void SetDTR(bool on);
  bool DTR() const { return dtr_; }
  void SetRTS(bool on);
  bool RTS() const { return rts_; }
  // Drops RTS once all bytes queued so far have left the line, and not before lineTimeUs past
  // the line time already announced (see Dispatcher::DropRtsWhenSent). Ignored while the driver
  // or the hand-shake owns RTS.
  void DropRtsWhenSent(int64_t lineTimeUs);
  void SetHWFlowOptions(uint8_t options);
  uint8_t HWFlowOptions() const { return flow_.hwOptions; }
  void SetSWFlowOptions(ferrotap::SWFlowOptions options);
  ferrotap::SWFlowOptions SWFlowOptions() const { return flow_.swOptions; }
  void SetXOnChar(uint8_t c);
  uint8_t XOnChar() const { return flow_.xOnChar; }
  void SetXOffChar(uint8_t c);
  uint8_t XOffChar() const { return flow_.xOffChar; }
  void SetBufferFull(uint16_t level);
  uint16_t BufferFull() const { return flow_.bufferFull; }
  void SetBufferResume(uint16_t level);
  uint16_t BufferResume() const { return flow_.bufferResume; }
  void SetRS485Mode(bool on);
  bool RS485Mode() const { return flow_.rs485; }
  State PortState() const { return state_; }
  // The line parameters as they are applied.
  LineSettings Line() const;
  // RS-485 mode is on and the driver has none: the port raises and drops RTS itself.
  bool Rs485ByProgram() const { return rs485ByProgram_; }

  std::function<void(ComPort& sender, uint16_t count)> OnTriggerAvail;
  std::function<void(ComPort& sender, uint16_t error, bool lineBreak)> OnTriggerLineError;
  std::function<void(ComPort& sender)> OnTriggerModemStatus;
  std::function<void(ComPort& sender, uint16_t handle)> OnTriggerTimer;
  std::function<void(ComPort& sender, uint16_t handle)> OnTriggerStatus;
  // The device went away while open (adapter pulled, peer closed); reported once per open.
  std::function<void(ComPort& sender, const std::string& reason)> OnDeviceLost;
  // A lost device came back and the port is open again on it, with the same settings and
  // triggers.
  std::function<void(ComPort& sender, const std::string& path)> OnReconnected;

  void AddListener(PortListener* listener);
  void RemoveListener(PortListener* listener);

  // Operations: open the port first when AutoOpen is set, fail with kErrNotOpen when it is still
  // closed, and do nothing (returning 0) while it shuts down.
  void WriteString(std::string_view bytes);
  // Throws ComPortError, saying why, when a write would not reach the line: the port is closed
  // (and does not open by itself) or its device is lost.
  void CheckCanSend();
  // The device went away and has not come back yet; the port still counts as open.
  bool Lost() const { return lost_; }
  // The device refused a change of RTS since the port opened (a pseudo-terminal has none).
  bool RtsRefused() const { return rtsRefused_; }
  uint8_t ReadChar();
  // The next count received bytes (fewer when fewer are there), as one block, with the read
  // times of its parts when marks is not null.
  std::string ReadString(std::size_t count, ReadMarks* marks = nullptr);
  void ClearInput();
  void ClearOutput();
  std::size_t BytesAvailable();
  std::size_t OutputPending();
  // Everything written has left the line (closing the port would drop what has not); true when
  // the port is not open.
  bool AllSent();
  // Free bytes of the output ring; 0 while the port is not open.
  std::size_t OutputFree();
  // Asks for one call of wake, from the port's writer thread, once at least `bytes` of the output
  // ring are free. False, with no call to come, when they already are or the port is not open.
  bool WhenOutputFree(std::size_t bytes, std::function<void()> wake);
  bool CTS();
  bool DSR();
  bool DCD();
  bool RI();
  uint16_t NewTimerTrigger();
  void ArmTimerTrigger(uint16_t handle, uint32_t ticks, bool activate);
  uint16_t NewStatusTrigger(uint8_t kind);
  void ArmStatusTrigger(uint16_t handle, uint16_t value, bool activate);
  void RemoveTrigger(uint16_t handle);
  uint16_t ReadLineError();
  bool ReadLineBreak();

 private:
  void DoOpen();
  void OpenDevice(const std::string& path);
  void Reconnect();
  void DoClose();
  void FinishClose();
  void PostFinishClose();
  Dispatcher* Obtain();
  LineSettings CurrentLine() const;
  void ApplyLine();
  void ApplyFlow();
  void DefaultThresholds(double full, double resume);
  void HandleNotification(const Notification& notification);
  uint8_t ModemLevels();

  NotificationChannelFactory channelFactory_;
  std::string exeDir_;
  std::string linkDir_ = "/dev/serial/by-id";
  PortPrompter prompter_;
  std::string pathOverride_;

  uint16_t comNumber_ = 0;
  int32_t baud_ = 19200;
  ferrotap::Parity parity_ = pNone;
  uint16_t dataBits_ = 8;
  uint16_t stopBits_ = 1;
  uint16_t inSize_ = 4096;
  uint16_t outSize_ = 4096;
  uint16_t mostNotified_ = 0;  // 0: the dispatcher's own
  bool open_ = false;
  bool autoOpen_ = true;
  bool promptForPort_ = true;
  bool dtr_ = true;
  bool rts_ = true;
  FlowSettings flow_;

  State state_ = State::Closed;
  bool force_ = false;
  bool openPending_ = false;
  bool restoreTriggers_ = false;
  bool finishPosted_ = false;
  bool rs485ByProgram_ = false;
  bool lost_ = false;
  bool rtsRefused_ = false;
  // The path the port was opened on, and the path to open again after a loss.
  std::string openedPath_;
  std::vector<std::string> openedLinks_;
  std::string returnPath_;
  int handlerDepth_ = 0;
  std::optional<LineSettings> appliedLine_;
  TriggerTable savedTriggers_;
  std::unique_ptr<NotificationChannel> channel_;
  std::unique_ptr<Dispatcher> dispatcher_;
  std::vector<PortListener*> listeners_;
  // Posted work checks this to know the port still exists.
  std::shared_ptr<ComPort*> self_ = std::make_shared<ComPort*>(this);
};

}  // namespace ferrotap
