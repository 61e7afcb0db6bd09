// SPDX-License-Identifier: MIT
#include <benchmark/benchmark.h>

#include "protocol/packet_decoder.h"

namespace {

using ferrotap::Bytes;

// Keeps what a window would show, as colour runs, without a window.
class RecordingOutput : public ferrotap::ProtocolOutput {
 public:
  void SelectColor(ferrotap::ColorRole role) override { color_ = role; }
  void Write(const Bytes& text) override {
    if (color_ != runColor_) {
      ++runs_;
      runColor_ = color_;
    }
    text_ += text;
  }
  bool Transmit(const Bytes& bytes) override {
    sent_ += bytes.size();
    return true;
  }
  void ArmTimer(uint16_t, int) override {}
  void DisarmTimer(uint16_t) override {}
  bool SetRtsA(bool) override { return true; }
  void Clear() { text_.clear(); }
  std::size_t Size() const { return text_.size(); }

 private:
  ferrotap::ColorRole color_ = ferrotap::ColorRole::PortAData;
  ferrotap::ColorRole runColor_ = ferrotap::ColorRole::PortAData;
  Bytes text_;
  std::size_t runs_ = 0;
  std::size_t sent_ = 0;
};

// A 16-byte packet: STX, ID, LEN, CMD, 11 data bytes, CKS.
Bytes Packet(int seed) {
  Bytes body;
  body.push_back(1);
  body.push_back(13);
  body.push_back(static_cast<char>(0x10 + seed % 8));
  for (int i = 0; i < 11; ++i) body.push_back(static_cast<char>(0x30 + (seed + i) % 64));
  int sum = 0;
  for (unsigned char c : body) sum += c;
  return "\x02" + body + static_cast<char>(sum & 0xFF);
}

void BM_DecodePackets(benchmark::State& state) {
  RecordingOutput out;
  ferrotap::PacketDecoder decoder(ferrotap::PacketDecoder::Port::A, out);
  ferrotap::ProtocolDefinition definition;
  ferrotap::DecoderOptions options;
  Bytes chunk;
  for (int i = 0; chunk.size() < 8192; ++i) chunk += Packet(i);
  for (auto _ : state) {
    decoder.Decode(chunk, definition, options);
    out.Clear();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * chunk.size()));
}

// A chunk as a busy line delivers it: packets, hand-shake characters and stray bytes mixed.
void BM_DecodeMixedChunk(benchmark::State& state) {
  RecordingOutput out;
  ferrotap::PacketDecoder decoder(ferrotap::PacketDecoder::Port::A, out);
  ferrotap::ProtocolDefinition definition;
  ferrotap::DecoderOptions options;
  options.simulateSlave = true;
  options.protocol.syncType = ferrotap::SyncType::Character;
  Bytes chunk;
  for (int i = 0; chunk.size() < 2000; ++i) {
    chunk += Packet(i);
    chunk += i % 3 == 0 ? "\x06" : i % 3 == 1 ? "\x55\x56" : "\x04";
  }
  chunk.resize(2000);
  for (auto _ : state) {
    decoder.Decode(chunk, definition, options);
    out.Clear();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * chunk.size()));
}

// Packets ended by ETX, whose data bytes take the path with no length to count down: 256-byte
// packets, ID and no CMD or checksum.
void BM_DecodeEtxPackets(benchmark::State& state) {
  RecordingOutput out;
  ferrotap::PacketDecoder decoder(ferrotap::PacketDecoder::Port::A, out);
  ferrotap::ProtocolDefinition definition;
  ferrotap::DecoderOptions options;
  options.protocol.endByLength = false;
  options.protocol.useCmd = false;
  options.protocol.useChecksum = false;
  Bytes chunk;
  for (int i = 0; chunk.size() < 8192; ++i) {
    chunk += "\x02\x01";
    for (int k = 0; k < 253; ++k) chunk.push_back(static_cast<char>(0x30 + (i + k) % 64));
    chunk += "\x03";
  }
  for (auto _ : state) {
    decoder.Decode(chunk, definition, options);
    out.Clear();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * chunk.size()));
}

}  // namespace

BENCHMARK(BM_DecodePackets)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeMixedChunk)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeEtxPackets)->Unit(benchmark::kMicrosecond);
