// SPDX-License-Identifier: MIT
// The packet decoder of port A on any bytes, in chunks, under any definition and options, with
// time-outs and resets in between, long runs of one byte among them: no memory error or undefined
// behaviour, the only bytes it sends are single ACK or NAK characters of the definition, the sum
// stays a byte and no packet grows past its bound.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_check.h"
#include "protocol/packet_decoder.h"

namespace {

class Output : public ferrotap::ProtocolOutput {
 public:
  explicit Output(const ferrotap::ProtocolDefinition& def) : def_(def) {}
  void SelectColor(ferrotap::ColorRole) override {}
  void Write(const ferrotap::Bytes&) override {}
  bool Transmit(const ferrotap::Bytes& bytes) override {
    FUZZ_CHECK(bytes.size() == 1);
    const auto b = static_cast<std::uint8_t>(bytes[0]);
    FUZZ_CHECK(b == def_.ACK_CHAR || b == def_.NAK_CHAR);
    return true;
  }
  void ArmTimer(std::uint16_t, int) override {}
  void DisarmTimer(std::uint16_t) override {}
  bool SetRtsA(bool) override { return true; }

 private:
  const ferrotap::ProtocolDefinition& def_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ferrotap;
  FuzzedDataProvider input(data, size);
  ProtocolDefinition def;
  def.STX_CHAR = input.ConsumeIntegral<std::uint8_t>();
  def.ETX_CHAR = input.ConsumeIntegral<std::uint8_t>();
  def.ACK_CHAR = input.ConsumeIntegral<std::uint8_t>();
  def.NAK_CHAR = input.ConsumeIntegral<std::uint8_t>();
  def.SYN_CHAR = input.ConsumeIntegral<std::uint8_t>();
  def.ID_MIN = input.ConsumeIntegralInRange<int>(-5, 300);
  def.ID_MAX = input.ConsumeIntegralInRange<int>(-5, 300);
  def.LEN_MIN = input.ConsumeIntegralInRange<int>(-5, 300);
  def.LEN_MAX = input.ConsumeIntegralInRange<int>(-5, 300);
  def.CMD_MIN = input.ConsumeIntegralInRange<int>(-5, 300);
  def.CMD_MAX = input.ConsumeIntegralInRange<int>(-5, 300);
  DecoderOptions options;
  options.protocol.useId = input.ConsumeBool();
  options.protocol.endByLength = input.ConsumeBool();
  options.protocol.useCmd = input.ConsumeBool();
  options.protocol.swapNibble = input.ConsumeBool();
  options.protocol.useHandShake = input.ConsumeBool();
  options.protocol.useChecksum = input.ConsumeBool();
  options.protocol.syncType = static_cast<SyncType>(input.ConsumeIntegralInRange<int>(0, 2));
  options.format = static_cast<DisplayFormat>(input.ConsumeIntegralInRange<int>(-1, 4));
  options.echo = input.ConsumeBool();
  Output output(def);
  PacketDecoder decoder(PacketDecoder::Port::A, output);
  decoder.SetTriggers(1, 2);
  while (input.remaining_bytes() > 0) {
    switch (input.ConsumeIntegralInRange<int>(0, 12)) {
      case 0:
        decoder.PackTimedOut(options.lineBreak);
        break;
      case 1:
        decoder.HandShakeTimedOut(options.lineBreak);
        break;
      case 2:
        decoder.ResetCurrentPacket("[reset]", options.lineBreak);
        break;
      case 3: {
        const auto length = input.ConsumeIntegralInRange<std::size_t>(0, 2 * kMaxEtxPacketData);
        decoder.Decode(Bytes(length, static_cast<char>(input.ConsumeIntegral<std::uint8_t>())), def,
                       options);
        break;
      }
      default:
        decoder.Decode(input.ConsumeRandomLengthString(4096), def, options);
        break;
    }
    FUZZ_CHECK(decoder.State().checksum >= 0 && decoder.State().checksum < 256);
    FUZZ_CHECK(decoder.State().data.size() <= kMaxEtxPacketData);
  }
  return 0;
}
