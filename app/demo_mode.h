// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace ferrotap {

class DemoDeviceThread;
class MainWindow;

// `ferrotap --demo`: port A on a virtual cable to the built-in demo device, which runs on a thread
// of its own, and the window's settings in a temporary folder, so that the user's stay as they
// are.
class DemoMode {
 public:
  // The window's end of the cable, mapped to port number 1.
  static constexpr const char* kWindowEnd = "virtual:ferrotap-demo:a";
  static constexpr const char* kDeviceEnd = "virtual:ferrotap-demo:b";

  DemoMode();
  ~DemoMode();
  DemoMode(const DemoMode&) = delete;
  DemoMode& operator=(const DemoMode&) = delete;

  // Empty when the temporary folder could not be made (then there is no demo).
  QString SettingsFolder() const;
  QString Problem() const { return folder_.errorString(); }

  // The device's protocol and table into the window, decoding on, the window as master, port A
  // opened: the user only has to press "TX" or watch.
  void Show(MainWindow& window) const;

 private:
  QTemporaryDir folder_;
  std::unique_ptr<DemoDeviceThread> device_;
};

}  // namespace ferrotap
