#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

#include "core/bytes.h"
#include "protocol/packet_decoder.h"
#include "protocol/protocol_definition.h"

namespace ferrotap {

class MainWindow;
class ProtocolSettingPage;
class WindowProtocolOutput;
class WindowText;

// The protocol engine in the window: the applied definition and its .pdt file, both ports'
// decoders with port A's hand-shake, and the time-outs. The window forwards received chunks,
// timer notifications and the clicks of the protocol controls here.
class ProtocolEngine : public QObject {
  Q_OBJECT

 public:
  explicit ProtocolEngine(MainWindow& window);
  ~ProtocolEngine() override;

  const ProtocolDefinition& Definition() const { return definition_; }
  PacketDecoder& DecoderA() { return *decoderA_; }
  PacketDecoder& DecoderB() { return *decoderB_; }
  // Port A's output: the data window and port A, for the simulation to write and send through.
  ProtocolOutput& OutputA();
  // Pushes buffered text into the data window and reports a failed send; every entry point ends
  // with it.
  void Flush();

  void ApplyProtocolDefinition();
  void SaveProtocolFile(const QString& path);
  // Returns false when the file could not be read or a number in it was not an integer.
  bool LoadProtocolFile(const QString& path);
  void BBPRTAPPLYClick();
  void BBPROTSAVEClick();
  void BBPROTLOADClick();

  void DecodePortA(const Bytes& chunk);
  void DecodePortB(const Bytes& chunk);
  void CP1TriggerTimer(uint16_t handle);
  void CP2TriggerTimer(uint16_t handle);
  // Trigger handles of a fresh open: port A's pack and hand-shake timers, port B's pack timer.
  void SetPortATriggers(uint16_t packTrigger, uint16_t handShakeTrigger);
  void SetPortBTrigger(uint16_t packTrigger);

  void CBDECPROTClick();
  void SBRESPACKClick();
  void ResetCurrentPacket(const Bytes& text);

 private:
  DecoderOptions OptionsFor(PacketDecoder::Port port) const;
  void CommandFieldToggled(bool on);
  ProtocolSettingPage& Page() const;

  MainWindow& window_;
  ProtocolDefinition definition_;
  std::unique_ptr<WindowText> text_;
  std::unique_ptr<WindowProtocolOutput> outputA_;
  std::unique_ptr<WindowProtocolOutput> outputB_;
  std::unique_ptr<PacketDecoder> decoderA_;
  std::unique_ptr<PacketDecoder> decoderB_;
};

}  // namespace ferrotap
