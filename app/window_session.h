// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "session/session_host.h"
#include "session/session_output.h"

namespace ferrotap {

class MainWindow;

// The window as the session's front-end: the options come from its controls, the timers are Qt
// timers, the text goes into the data window, messages into message boxes and the port states
// onto the lamps and the status strip.
class WindowSession : public SessionOutput, public SessionHost {
 public:
  explicit WindowSession(MainWindow& window) : window_(window) {}

  SessionOptions Options() const override;
  NotificationChannelFactory Channels() override;
  std::unique_ptr<SessionTimer> NewTimer(const std::string& name,
                                         std::function<void()> expired) override;
  void Post(std::function<void()> call) override;

  void Show(ColorRole role, const Bytes& text) override;
  void ShowSystemText(const Bytes& text) override;
  void SelectColor(ColorRole role) override;
  void EchoComing() override;
  void Error(const std::string& message) override;
  void Info(const std::string& message) override;
  void RtsChanged(bool on) override;
  void DtrChanged(bool on) override;
  void PortOpened(SessionPort port) override;
  void PortOpenFailed(SessionPort port) override;
  void PortClosed(SessionPort port) override;
  void PortLost(SessionPort port, const std::string& reason) override;
  void PortBack(SessionPort port, const std::string& path) override;
  void LineError(SessionPort port, uint16_t error, bool lineBreak) override;
  void FileProgress(uint64_t sent, uint64_t total) override;
  void FileSendEnded(FileSendEnd end, uint64_t sent, uint64_t total) override;
  void Received(SessionPort port, const Bytes& bytes, const ReadMarks& marks) override;

  // The data window's "Pause" was pressed or released: the count of bytes received meanwhile
  // starts again.
  void PauseToggled(bool paused);

 private:
  void SetPortLamp(SessionPort port, bool active);

  MainWindow& window_;
  uint64_t receivedWhilePaused_ = 0;
};

}  // namespace ferrotap
