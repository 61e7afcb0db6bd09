#pragma once

#include <string>

#include "core/bytes.h"
#include "core/colors.h"
#include "protocol/packet_decoder.h"

namespace ferrotap {

class ComPort;
class MainWindow;

// The data window as the protocol engine writes it: one selected colour for the whole window,
// and the text of one handler gathered into as few insertions as there are colour changes.
class WindowText {
 public:
  explicit WindowText(MainWindow& window) : window_(window) {}
  void Select(ColorRole role) { selected_ = role; }
  void Write(const Bytes& text);
  // Inserts what was gathered and leaves the selected colour as the window's insertion colour.
  void Flush();

 private:
  MainWindow& window_;
  ColorRole selected_ = ColorRole::PortAData;
  ColorRole bufferColor_ = ColorRole::PortAData;
  Bytes buffer_;
};

// One port's view of the window: shared text, that port's timer triggers, sending on port A.
class WindowProtocolOutput : public ProtocolOutput {
 public:
  WindowProtocolOutput(MainWindow& window, WindowText& text, bool portA);

  void SelectColor(ColorRole role) override { text_.Select(role); }
  void Write(const Bytes& text) override { text_.Write(text); }
  bool Transmit(const Bytes& bytes) override;
  void ArmTimer(uint16_t trigger, int ticks) override;
  void DisarmTimer(uint16_t trigger) override;
  void SetRtsA(bool on) override;

  // The reason the first send failed since the last call; empty when all went out.
  std::string TakeSendError();

 private:
  ComPort& TimerPort() const;

  MainWindow& window_;
  WindowText& text_;
  bool portA_;
  std::string sendError_;
};

}  // namespace ferrotap
