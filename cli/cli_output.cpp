// SPDX-License-Identifier: MIT
#include "cli/cli_output.h"

#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string_view>

#include "cli/json_lines.h"
#include "core/clock_base.h"
#include "core/line_status.h"
#include "core/port_event.h"

namespace ferrotap {
namespace {

constexpr std::size_t kBlock = 256 * 1024;
constexpr auto kPipeDelay = std::chrono::milliseconds(50);

// Writes all of both, one after the other, in as few calls as the device takes; a closed reader
// (EPIPE) ends the writing quietly.
void WriteAll(int fd, std::string_view first, std::string_view second = {}) {
  while (!first.empty() || !second.empty()) {
    iovec parts[2] = {{const_cast<char*>(first.data()), first.size()},
                      {const_cast<char*>(second.data()), second.size()}};
    const ssize_t n = ::writev(fd, parts, 2);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    const auto done = static_cast<std::size_t>(n);
    const std::size_t fromFirst = std::min(done, first.size());
    first.remove_prefix(fromFirst);
    second.remove_prefix(done - fromFirst);
  }
}

std::string ColorEscape(Color color) {
  if (IsSystemColor(color)) return "\x1b[39m";
  return "\x1b[38;2;" + std::to_string(RedOf(color)) + ";" + std::to_string(GreenOf(color)) + ";" +
         std::to_string(BlueOf(color)) + "m";
}

// Messages are one line each: the session's two-line messages are joined.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n') c = ' ';
  }
  return text;
}

}  // namespace

CliOutput::~CliOutput() {
  if (colored_) buffer_ += "\x1b[39m";
  Flush();
}

void CliOutput::Flush(bool soon) {
  if (buffer_.empty()) return;
  const auto now = std::chrono::steady_clock::now();
  if (soon && !style_.colors && buffer_.size() < kBlock && now - lastWrite_ < kPipeDelay) return;
  WriteAll(STDOUT_FILENO, buffer_);
  buffer_.clear();
  lastWrite_ = now;
}

void CliOutput::Insert(Color color, const Bytes& text) {
  if (style_.json) return;
  if (style_.colors && color != current_) {
    buffer_ += ColorEscape(color);
    current_ = color;
    colored_ = true;
  }
  if (buffer_.size() + text.size() < kBlock) {
    buffer_ += text;
    return;
  }
  // A large block goes out beside what was gathered, without a copy.
  WriteAll(STDOUT_FILENO, buffer_, text);
  buffer_.clear();
  lastWrite_ = std::chrono::steady_clock::now();
}

void CliOutput::Show(ColorRole role, const Bytes& text) {
  Insert(colors_[role], text);
}

void CliOutput::ShowSystemText(const Bytes& text) {
  Insert(kSysWindowTextColor, text);
}

void CliOutput::SelectColor(ColorRole) {}

void CliOutput::Message(const std::string& text) {
  Flush();
  if (progressShown_) {
    WriteAll(STDERR_FILENO, "\n");
    progressShown_ = false;
  }
  WriteAll(STDERR_FILENO, "ferrotap-cli: " + OneLine(text) + "\n");
}

void CliOutput::Error(const std::string& message) {
  Message(message);
}

void CliOutput::Info(const std::string& message) {
  Message(message);
}

void CliOutput::Received(SessionPort port, const Bytes& bytes, const ReadMarks& marks) {
  bytesReceived_ += bytes.size();
  // The time the first byte was read, not the time this front-end got round to it.
  const auto readTime =
      marks.empty() ? std::chrono::system_clock::now()
                    : std::chrono::system_clock::time_point(std::chrono::duration_cast<
                                                            std::chrono::system_clock::duration>(
                          std::chrono::nanoseconds(clock_.WallNs(marks.front().steadyNs))));
  readTime_[port == SessionPort::A ? 0 : 1] = readTime;
  if (!style_.json || style_.decode || bytes.empty()) return;
  buffer_ += JsonBytesLine(port, readTime, bytes);
  if (buffer_.size() >= kBlock) Flush();
}

void CliOutput::PacketDecoded(SessionPort port, const DecodedPacket& packet) {
  if (!style_.json || !style_.decode) return;
  buffer_ += JsonPacketLine(port, readTime_[port == SessionPort::A ? 0 : 1], packet);
}

void CliOutput::ExchangeEnded(int code, bool completed, const std::string& why) {
  exchanges_.push_back({code, completed, why});
}

void CliOutput::PortOpenFailed(SessionPort) {
  openFailed_ = true;
}

void CliOutput::PortLost(SessionPort port, const std::string& reason) {
  Message(PortEventText(PortLetter(port), PortEvent::Lost, reason,
                       std::chrono::system_clock::now()));
}

void CliOutput::PortBack(SessionPort port, const std::string& path) {
  Message(PortEventText(PortLetter(port), PortEvent::Back, path,
                       std::chrono::system_clock::now()));
}

void CliOutput::LineError(SessionPort port, uint16_t error, bool lineBreak) {
  Message(LineErrorText(PortLetter(port), error, lineBreak));
}

void CliOutput::FileProgress(uint64_t sent, uint64_t total) {
  if (!style_.progress) return;
  const uint64_t percent = total == 0 ? 100 : sent * 100 / total;
  WriteAll(STDERR_FILENO, "\r" + std::to_string(sent) + " of " + std::to_string(total) +
                              " bytes sent (" + std::to_string(percent) + "%)");
  progressShown_ = true;
}

void CliOutput::FileSendEnded(FileSendEnd end, uint64_t sent, uint64_t total) {
  FileProgress(sent, total);
  if (progressShown_) {
    WriteAll(STDERR_FILENO, "\n");
    progressShown_ = false;
  }
  fileEnded_ = true;
  fileEnd_ = end;
}

}  // namespace ferrotap
