// SPDX-License-Identifier: MIT
#pragma once

#include <termios.h>

#include <atomic>
#include <memory>
#include <string>

#include "serial/parmrk_decoder.h"
#include "serial/serial_device.h"

namespace ferrotap {

// Sets raw mode and the line parameters into a termios structure (exposed for tests: a
// pseudo-terminal silently drops character size and parity, so they are checked here). With
// markErrors, line errors and breaks come marked in the data (PARMRK).
void ApplyLineToTermios(termios& tio, const LineSettings& line, bool markErrors = true);
void ApplyFlowToTermios(termios& tio, const FlowSettings& flow);
// Whether the kernel's RTS/CTS hand-shake serves the chosen options.
bool UsesKernelRtsCts(const FlowSettings& flow);

// A tty device through termios and ioctl. Exclusive (TIOCEXCL plus flock); the original termios
// is restored on close. Ioctls the driver does not know (ENOTTY, e.g. on pseudo-terminals) make
// the feature "not available", never a failure of the port.
class PosixSerialDevice : public SerialDevice {
 public:
  static std::unique_ptr<PosixSerialDevice> Open(const std::string& path);
  ~PosixSerialDevice() override;

  const std::string& Path() const override { return path_; }
  int ReadFd() const override { return fd_; }
  int WriteFd() const override { return fd_; }
  IoResult Read(char* buffer, std::size_t size) override;
  IoResult Write(const char* data, std::size_t size) override;
  void ApplyLine(const LineSettings& line) override;
  DriverFlow ApplyFlow(const FlowSettings& flow) override;
  bool HasModemLines() override;
  bool SetDtr(bool on) override;
  bool SetRts(bool on) override;
  uint8_t ModemLines() override;
  uint8_t TakeLineErrors() override;
  std::size_t OutputQueued() override;
  bool TransmitterEmpty() override;
  void PurgeInput() override;
  void PurgeOutput() override;

 private:
  PosixSerialDevice(std::string path, int fd, const termios& saved);
  bool SetModemBit(int bit, bool on);
  IoResult Lost(int err);

  std::string path_;
  int fd_;
  termios saved_;
  std::atomic<bool> modemAvailable_{true};
  std::atomic<bool> countersAvailable_{true};
  std::atomic<bool> lsrAvailable_{true};
  std::atomic<bool> parity_{false};
  // Not on a pseudo-terminal, which has no line errors to mark: its driver passes raw data
  // straight through only without PARMRK, several times faster.
  const bool markErrors_;
  // One read at a time (the dispatcher's read lock); the reader thread takes the errors.
  ParmrkDecoder marks_;
  std::atomic<uint8_t> markedErrors_{0};
  // Only the dispatcher thread reads the counters.
  bool haveCounters_ = false;
  int lastFrame_ = 0, lastOverrun_ = 0, lastParity_ = 0, lastBreak_ = 0, lastBufOverrun_ = 0;
};

}  // namespace ferrotap
