#pragma once

#include <memory>
#include <string>

#include "serial/serial_device.h"

namespace ferrotap {

// One end of an in-process null-modem cable, named "virtual:NAME:a" or "virtual:NAME:b". Bytes
// written on one end arrive on the other; RTS of one end is CTS of the other, DTR is DSR and DCD.
// Each end can be open once at a time; the cable exists while one of its ends is open.
class VirtualSerialDevice : public SerialDevice {
 public:
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
  void ApplyFlow(const FlowSettings& flow) override;
  bool SetDtr(bool on) override;
  bool SetRts(bool on) override;
  uint8_t ModemLines() override;
  uint8_t TakeLineErrors() override;
  std::size_t OutputQueued() override { return 0; }
  void PurgeInput() override;
  void PurgeOutput() override {}

  // For tests: make the other end report line errors, or a break.
  void InjectLineErrors(uint8_t bits);
  void SendBreak();
  // What the program set on the other end.
  LineSettings PeerLine() const;
  FlowSettings PeerFlow() const;
  bool PeerDtr() const;
  bool PeerRts() const;

  struct Cable;

 private:
  VirtualSerialDevice(std::string path, std::shared_ptr<Cable> cable, int side);

  std::string path_;
  std::shared_ptr<Cable> cable_;
  int side_;
};

}  // namespace ferrotap
