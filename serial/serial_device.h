// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "serial/serial_types.h"

namespace ferrotap {

// What the driver does by itself after ApplyFlow; the dispatcher does the rest.
struct DriverFlow {
  bool rtsCts = false;  // RTS/CTS hand-shake in both directions
  bool rs485 = false;   // RTS raised while transmitting
};

struct IoResult {
  enum class Status { Ok, WouldBlock, Lost };
  std::size_t count = 0;
  Status status = Status::Ok;
  std::string reason;  // why the device was lost
};

// One open serial device. Read runs on the dispatcher thread, Write on the output thread (or on
// the UI thread while the output thread is idle, never on both at once) and the rest on the UI
// thread, concurrently: implementations must allow that.
class SerialDevice {
 public:
  virtual ~SerialDevice() = default;

  virtual const std::string& Path() const = 0;
  // Pollable for reading; a hang-up shows as POLLHUP/POLLERR.
  virtual int ReadFd() const = 0;
  virtual int WriteFd() const = 0;
  virtual IoResult Read(char* buffer, std::size_t size) = 0;
  virtual IoResult Write(const char* data, std::size_t size) = 0;

  // Throws ComPortError naming the rate when the device refuses the bit rate.
  virtual void ApplyLine(const LineSettings& line) = 0;
  virtual DriverFlow ApplyFlow(const FlowSettings& flow) = 0;
  // False when the device refused or cannot drive the line.
  virtual bool SetDtr(bool on) = 0;
  virtual bool SetRts(bool on) = 0;
  // Whether ModemLines tells anything (pseudo-terminals have no modem lines).
  virtual bool HasModemLines() = 0;
  // Levels as kModemCts | kModemDsr | kModemRing | kModemDcd; 0 where the device cannot tell.
  virtual uint8_t ModemLines() = 0;
  // Line error bits reported since the previous call.
  virtual uint8_t TakeLineErrors() = 0;
  // Bytes still in the system's transmit queue.
  virtual std::size_t OutputQueued() = 0;
  // The last stop bit of everything written has left the line, as far as the driver can tell.
  virtual bool TransmitterEmpty() = 0;
  virtual void PurgeInput() = 0;
  virtual void PurgeOutput() = 0;
};

// Opens "virtual:NAME:a|b" as a virtual null-modem end, anything else as a POSIX device path.
std::unique_ptr<SerialDevice> OpenSerialDevice(const std::string& path);

// Whether the device could be opened for reading and writing right now.
bool CanOpenSerialDevice(const std::string& path);

}  // namespace ferrotap
