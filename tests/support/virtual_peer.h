// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <string>

#include "serial/virtual_serial_device.h"

namespace ferrotap::test {

// The test's end of an in-process null-modem cable whose other end a window opens as a port.
// Made before the window, it maps the port number to the cable through FERROTAP_COM<n>.
class VirtualPeer {
 public:
  VirtualPeer(int comNumber, const QString& cableName);
  ~VirtualPeer();

  // Opens the test's end; the window's end must be open (the cable lives while one end is).
  // A paced cable keeps the time of a real line.
  bool Connect(bool paced = false);
  VirtualSerialDevice& Device() { return *device_; }

  void Send(const QByteArray& bytes);
  // Everything the window wrote since the peer connected (non-blocking).
  QByteArray Received();

 private:
  std::string variable_;
  QByteArray previous_;
  bool hadPrevious_ = false;
  std::string cable_;
  std::unique_ptr<VirtualSerialDevice> device_;
  QByteArray received_;
};

}  // namespace ferrotap::test
