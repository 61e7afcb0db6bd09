// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "core/clock_base.h"
#include "core/colors.h"
#include "session/session_output.h"

namespace ferrotap {

// ferrotap-cli as the session's front-end: the data window's text goes to the standard output
// (in the colours of the settings on a terminal, plain when piped), or one JSON object a line;
// messages, progress and port events go to the standard error. The text is gathered and written
// in large blocks; Flush writes it out.
class CliOutput : public SessionOutput {
 public:
  struct Style {
    bool json = false;
    bool decode = false;  // JSON: packets instead of chunks
    bool colors = false;
    bool progress = false;  // a file send's progress line on the standard error
  };
  explicit CliOutput(Style style) : style_(style) {}
  ~CliOutput() override;
  void SetColors(const ColorSet& colors) { colors_ = colors; }

  // Writes what was gathered; `soon` only when it is worth a write (a terminal shows it at once,
  // a pipe gets it in large blocks or after a short while).
  void Flush(bool soon = false);

  void Show(ColorRole role, const Bytes& text) override;
  void ShowSystemText(const Bytes& text) override;
  void SelectColor(ColorRole role) override;
  void Error(const std::string& message) override;
  void Info(const std::string& message) override;
  void Received(SessionPort port, const Bytes& bytes, const ReadMarks& marks) override;
  void PacketDecoded(SessionPort port, const DecodedPacket& packet) override;
  void ExchangeEnded(int code, bool completed, const std::string& why) override;
  void PortOpenFailed(SessionPort port) override;
  void PortLost(SessionPort port, const std::string& reason) override;
  void PortBack(SessionPort port, const std::string& path) override;
  void LineError(SessionPort port, uint16_t error, bool lineBreak) override;
  void FileProgress(uint64_t sent, uint64_t total) override;
  void FileSendEnded(FileSendEnd end, uint64_t sent, uint64_t total) override;

  // What the master's exchanges and a file send came to.
  struct Exchange {
    int code = 0;
    bool completed = false;
    std::string why;
  };
  const std::vector<Exchange>& Exchanges() const { return exchanges_; }
  bool OpenFailed() const { return openFailed_; }
  // Bytes of both ports handed to the output so far.
  uint64_t BytesReceived() const { return bytesReceived_; }
  bool FileEnded() const { return fileEnded_; }
  FileSendEnd FileEnd() const { return fileEnd_; }

 private:
  void Insert(Color color, const Bytes& text);
  void Message(const std::string& text);

  Style style_;
  ColorSet colors_;
  std::string buffer_;
  Color current_ = kSysWindowTextColor;
  bool colored_ = false;  // an escape left a colour that the end must reset
  std::chrono::steady_clock::time_point lastWrite_ = std::chrono::steady_clock::now();
  std::chrono::system_clock::time_point readTime_[2];
  const ClockBase clock_ = ClockBase::Now();
  std::vector<Exchange> exchanges_;
  uint64_t bytesReceived_ = 0;
  bool progressShown_ = false;
  bool openFailed_ = false;
  bool fileEnded_ = false;
  FileSendEnd fileEnd_ = FileSendEnd::Done;
};

}  // namespace ferrotap
