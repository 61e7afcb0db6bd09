// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "session/session_output.h"
#include "tests/support/color_runs.h"

namespace ferrotap::test {

// Records what a session reports: text as colour runs, messages, and the events in order.
class RecordingSessionOutput : public SessionOutput, public ColorRuns {
 public:
  void Show(ColorRole role, const Bytes& text) override { runs.push_back({role, text}); }
  void ShowSystemText(const Bytes& text) override { systemText += text; }
  void Error(const std::string& message) override { errors.push_back(message); }
  void Info(const std::string& message) override { infos.push_back(message); }
  void Received(SessionPort port, const Bytes& bytes, const ReadMarks&) override {
    (port == SessionPort::A ? receivedA : receivedB) += bytes;
  }
  void Sent(const Bytes& bytes) override { sent += bytes; }
  void PacketDecoded(SessionPort port, const DecodedPacket& packet) override {
    if (port == SessionPort::A) packets.push_back(packet);
  }
  void ExchangeEnded(int code, bool completed, const std::string& why) override {
    exchanges.push_back(std::to_string(code) + (completed ? " completed" : " failed: " + why));
  }
  void PortOpenFailed(SessionPort port) override {
    events.push_back(std::string("open failed ") + PortLetter(port));
  }
  void PortLost(SessionPort port, const std::string&) override {
    events.push_back(std::string("lost ") + PortLetter(port));
  }
  void FileProgress(uint64_t sent, uint64_t total) override {
    progress = std::to_string(sent) + "/" + std::to_string(total);
  }
  void FileSendEnded(FileSendEnd end, uint64_t sent, uint64_t total) override {
    fileEnd = end;
    progress = std::to_string(sent) + "/" + std::to_string(total);
    ++fileEnds;
  }

  std::string systemText;
  std::vector<std::string> errors;
  std::vector<std::string> infos;
  std::string receivedA;
  std::string receivedB;
  std::string sent;
  std::vector<DecodedPacket> packets;
  std::vector<std::string> exchanges;
  std::vector<std::string> events;
  std::string progress;
  FileSendEnd fileEnd = FileSendEnd::Done;
  int fileEnds = 0;
};

}  // namespace ferrotap::test
