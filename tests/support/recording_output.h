// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <algorithm>
#include <string>
#include <vector>

#include "protocol/packet_decoder.h"
#include "tests/support/color_runs.h"

namespace ferrotap::test {

// Records what the decoder does: text as colour runs, and every other effect in order.
class Recorder : public ProtocolOutput, public ColorRuns {
 public:
  void SelectColor(ColorRole role) override { color = role; }
  void Write(const Bytes& text) override {
    if (text.empty()) return;
    if (!runs.empty() && runs.back().color == color) {
      runs.back().text += text;
    } else {
      runs.push_back({color, text});
    }
  }
  bool Transmit(const Bytes& bytes) override {
    events.push_back((refuse ? "refused " : "tx ") + Hex(bytes));
    return !refuse;
  }
  void ArmTimer(uint16_t trigger, int ticks) override {
    events.push_back("arm " + std::to_string(trigger) + " " + std::to_string(ticks));
  }
  void DisarmTimer(uint16_t trigger) override {
    events.push_back("disarm " + std::to_string(trigger));
  }
  bool SetRtsA(bool on) override {
    events.push_back(on ? "rts on" : "rts off");
    return rtsCarried;
  }

  void PacketFramed(const DecodedPacket& packet) override { framed.push_back(packet); }

  bool HasEvent(const std::string& event) const {
    return std::find(events.begin(), events.end(), event) != events.end();
  }

  static std::string Hex(const Bytes& bytes) {
    std::string out;
    for (unsigned char c : bytes) out += QByteArray(1, static_cast<char>(c)).toHex().toStdString();
    return out;
  }

  ColorRole color = ColorRole::PortAData;
  // Port A refuses every send, as a closed port does.
  bool refuse = false;
  bool rtsCarried = true;
  std::vector<std::string> events;
  std::vector<DecodedPacket> framed;
};

}  // namespace ferrotap::test
