// SPDX-License-Identifier: MIT
// A spy on a paced virtual cable: Modbus RTU queries and answers back to back at the minimum
// silence, framed by the session as ferrotap-cli and the window run it (port reader thread, loop
// thread, silence timer, the shipped preset). Counts the frames framed right, merged, split and
// lost, at 115200 and at 1000000 bit/s 8E1.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "protocol/checksum.h"
#include "protocol/pdt_file.h"
#include "protocol/pdt_options.h"
#include "serial/key_value.h"
#include "serial/notification_loop.h"
#include "serial/virtual_serial_device.h"
#include "session/loop_host.h"
#include "session/session.h"

namespace ferrotap {
namespace {

using namespace std::chrono_literals;

Bytes WithCrc(Bytes frame) {
  return frame + ChecksumBytes(ChecksumKind::Crc16Modbus,
                               ComputeChecksum(ChecksumKind::Crc16Modbus, frame),
                               ByteOrder::LowFirst);
}

// Query i and its answer: addresses, registers and data vary, so that CRC matches by chance fall
// where they would on a real bus.
std::vector<Bytes> Traffic(std::size_t frames) {
  std::vector<Bytes> out;
  uint32_t random = 12345;
  const auto next = [&random] {
    random = random * 1103515245u + 12345u;
    return static_cast<char>(random >> 16);
  };
  for (std::size_t i = 0; out.size() < frames; ++i) {
    const char id = static_cast<char>(1 + i % 247);
    const int count = 1 + static_cast<int>(i % 8);
    Bytes query{id, 3, static_cast<char>(i >> 8), static_cast<char>(i), 0, static_cast<char>(count)};
    out.push_back(WithCrc(query));
    if (out.size() == frames) break;
    Bytes answer{id, 3, static_cast<char>(2 * count)};
    for (int k = 0; k < 2 * count; ++k) answer.push_back(next());
    out.push_back(WithCrc(answer));
  }
  return out;
}

// The frames the session framed on port A, as their bytes.
class FrameCollector : public SessionOutput {
 public:
  void Show(ColorRole role, const Bytes& text) override {
    // Bytes too short for a frame are shown alone on a line in the error colour.
    if (role != ColorRole::ProtFatalError || text.size() < 3 || text.back() != '\n') return;
    Bytes bytes;
    for (std::size_t i = 0; i + 2 < text.size(); i += 3) {
      if (text[i + 2] != ' ') return;
      bytes.push_back(static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    frames.push_back(bytes);
  }
  void ShowSystemText(const Bytes&) override {}
  void Error(const std::string& message) override { std::fprintf(stderr, "%s\n", message.c_str()); }
  void Info(const std::string&) override {}
  void Received(SessionPort, const Bytes& bytes, const ReadMarks& marks) override {
    received += bytes.size();
    reads += marks.size();
  }
  void PacketDecoded(SessionPort port, const DecodedPacket& p) override {
    if (port != SessionPort::A) return;
    Bytes bytes{static_cast<char>(p.id), static_cast<char>(p.cmd)};
    bytes += p.data;
    bytes.push_back(static_cast<char>(p.receivedChecksum));
    bytes.push_back(static_cast<char>(p.receivedChecksum >> 8));
    frames.push_back(bytes);
  }
  std::vector<Bytes> frames;
  std::size_t received = 0;
  std::size_t reads = 0;
};

struct Tally {
  std::size_t right = 0, merged = 0, split = 0, lost = 0, corrupt = 0;
};

// Lays the framed frames over the sent stream: a frame from one sent boundary to the next is
// right, one across boundaries merges the frames it covers, one that starts or ends elsewhere
// splits a frame; sent frames never reached are lost.
Tally Compare(const std::vector<Bytes>& sent, const std::vector<Bytes>& framed) {
  Bytes stream;
  std::set<std::size_t> bounds{0};
  std::vector<std::size_t> starts;
  for (const Bytes& frame : sent) {
    starts.push_back(stream.size());
    stream += frame;
    bounds.insert(stream.size());
  }
  Tally tally;
  std::set<std::size_t> splitFrames;
  std::size_t pos = 0;
  for (const Bytes& frame : framed) {
    if (stream.compare(pos, frame.size(), frame) != 0) ++tally.corrupt;
    const std::size_t end = pos + frame.size();
    if (bounds.count(pos) && bounds.count(end)) {
      const auto inside = std::distance(bounds.upper_bound(pos), bounds.upper_bound(end));
      (inside == 1 ? tally.right : tally.merged) += static_cast<std::size_t>(inside == 1 ? 1 : inside);
    } else {
      // Every sent frame the piece touches is split.
      auto first = std::upper_bound(starts.begin(), starts.end(), pos) - starts.begin() - 1;
      for (auto i = first; i < static_cast<std::ptrdiff_t>(starts.size()) &&
                           starts[static_cast<std::size_t>(i)] < end;
           ++i) {
        splitFrames.insert(static_cast<std::size_t>(i));
      }
    }
    pos = end;
  }
  tally.split = splitFrames.size();
  // Frames after the last one framed never came out.
  tally.lost = static_cast<std::size_t>(
      starts.end() - std::lower_bound(starts.begin(), starts.end(), std::min(pos, stream.size())));
  if (pos >= stream.size()) tally.lost = 0;
  return tally;
}

bool Run(int baud, std::size_t count, const PdtSettings& pdt) {
  const std::vector<Bytes> sent = Traffic(count);
  std::size_t total = 0;
  for (const Bytes& frame : sent) total += frame.size();
  NotificationLoop loop;
  SessionOptions options;
  options.decode = true;
  options.formatA = DisplayFormat::Hex;
  options.protocol = ProtocolOptionsOf(pdt);
  LoopHost host(loop, options);
  FrameCollector out;
  Session session(host, out);
  session.ApplyProtocolDefinition(pdt);
  CpsSettings cps;
  cps.baudRate = std::to_string(baud);
  cps.parity = "Even";
  const std::string cable = "virtual:spy" + std::to_string(baud);
  session.ApplyPortSettings(cps, PortPaths{cable + ":a:paced", {}});
  auto line = VirtualSerialDevice::Open(cable + ":b:paced");
  line->ApplyLine(LineSettings{baud, pEven, 8, StopBitsMode::One});
  const CharacterFrame frame{baud, 8, true, StopBits::One};
  const auto gap = std::chrono::nanoseconds(CharacterTimeNs(frame, options.protocol.silenceTenths * 100));
  const auto started = std::chrono::steady_clock::now();
  std::thread sender([&] {
    // Kept a few milliseconds ahead of the line, so that every gap is the minimum.
    const std::size_t ahead = static_cast<std::size_t>(baud / 11 / 200) + 64;
    for (const Bytes& f : sent) {
      while (line->OutputQueued() > ahead) std::this_thread::sleep_for(1ms);
      line->WriteAfterSilence(f.data(), f.size(), gap);
    }
  });
  const auto lineTime = std::chrono::milliseconds(
      CharacterTimeNs(frame, static_cast<int64_t>(total + sent.size() * 4) * 1000) / 1'000'000);
  const bool settled = loop.ProcessUntil(
      [&] { return out.received == total && !session.DecoderA().SilenceDueNs(); },
      lineTime * 3 + 30s);
  sender.join();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const Tally t = Compare(sent, out.frames);
  const bool good = settled && t.right == sent.size() && t.corrupt == 0;
  std::printf(
      "%7d bit/s 8E1, silence %.1f us: %zu frames sent (%zu bytes, %zu reads) in %.1f s: "
      "%zu right, %zu merged, %zu split, %zu lost, %zu not matching the line%s -> %s\n",
      baud, static_cast<double>(gap.count()) / 1000.0, sent.size(), total, out.reads, seconds,
      t.right, t.merged, t.split, t.lost, t.corrupt, settled ? "" : " (did not settle)",
      good ? "ok" : "FAILED");
  return good;
}

}  // namespace
}  // namespace ferrotap

int main(int argc, char** argv) {
  using namespace ferrotap;
  const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
  const PdtReadResult pdt =
      ReadPdtLines(ReadTextLines(std::string(FERROTAP_EXAMPLES_DIR) + "/modbus-rtu.pdt"), {});
  if (pdt.Failed()) {
    std::fprintf(stderr, "examples/modbus-rtu.pdt does not read\n");
    return 2;
  }
  double load[3] = {};
  if (getloadavg(load, 3) == 3) std::printf("load average %.2f %.2f %.2f\n", load[0], load[1], load[2]);
  std::vector<int> rates{115200, 1000000};
  if (argc > 2) rates = {std::atoi(argv[2])};
  bool good = true;
  for (const int baud : rates) good = Run(baud, count, pdt.settings) && good;
  return good ? 0 : 1;
}
