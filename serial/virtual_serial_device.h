// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "serial/serial_device.h"

namespace ferrotap {

// One end of an in-process null-modem cable, named "virtual:NAME:a" or "virtual:NAME:b". Bytes
// written on one end arrive on the other; RTS of one end is CTS of the other, DTR is DSR and DCD.
// Each end can be open once at a time; the cable exists while one of its ends is open.
//
// Opened as "virtual:NAME:a:paced" (either end), the cable keeps time: each byte arrives when its
// last stop bit would have left a real line at the sender's bit rate and frame, the transmitter
// reports empty only then, and bytes sent with settings other than the receiver's arrive with a
// framing error.
class VirtualSerialDevice : public SerialDevice {
 public:
  using Clock = std::chrono::steady_clock;

  static bool IsVirtualPath(const std::string& path);
  static std::unique_ptr<VirtualSerialDevice> Open(const std::string& path);
  static bool CanOpen(const std::string& path);
  ~VirtualSerialDevice() override;

  const std::string& Path() const override { return path_; }
  int ReadFd() const override;
  int WriteFd() const override;
  IoResult Read(char* buffer, std::size_t size) override;
  IoResult Write(const char* data, std::size_t size) override;
  void ApplyLine(const LineSettings& line) override;
  DriverFlow ApplyFlow(const FlowSettings& flow) override;
  bool SetDtr(bool on) override;
  bool SetRts(bool on) override;
  bool HasModemLines() override { return true; }
  uint8_t ModemLines() override;
  uint8_t TakeLineErrors() override;
  std::size_t OutputQueued() override;
  bool TransmitterEmpty() override;
  void PurgeInput() override;
  void PurgeOutput() override;

  // For tests and benchmarks on a paced cable: the bytes go on the line once it has rested for
  // `silence` after what this end wrote before, as a sender that keeps a gap exactly.
  IoResult WriteAfterSilence(const char* data, std::size_t size, std::chrono::nanoseconds silence);

  // For tests: make the other end report line errors, or a break.
  void InjectLineErrors(uint8_t bits);
  void SendBreak();
  // For tests: pull the cable; both ends then read and write as a lost device.
  void Unplug();
  // What the program set on the other end.
  LineSettings PeerLine() const;
  FlowSettings PeerFlow() const;
  bool PeerDtr() const;
  bool PeerRts() const;
  // When the other end last dropped RTS, and when the last stop bit of what it wrote has left
  // (paced cables; the moment of writing otherwise).
  Clock::time_point PeerRtsFall() const;
  Clock::time_point PeerLineFree() const;

  struct Cable;

 private:
  VirtualSerialDevice(std::string path, std::shared_ptr<Cable> cable, int side);

  std::string path_;
  std::shared_ptr<Cable> cable_;
  int side_;
};

}  // namespace ferrotap
