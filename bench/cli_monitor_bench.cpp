// SPDX-License-Identifier: MIT
// ferrotap-cli monitor on a pseudo-terminal, its text into /dev/null, flooded by the peer: the rate
// at which the peer's bytes are taken, raw "--format hex" and with "--decode" (valid 16-byte
// packets), beside a bare read() loop on the same kind of line. First a check run into a file:
// the text must be the rendering of every byte sent (raw) and every packet's line (decode).
// Targets: hex >= 100 MB/s and >= 50 % of the bare loop, decode >= 50 MB/s. Exit status 0 when
// they are met.
//
//   bench_cli_monitor [MB]     (default 100)
#include <sys/ioctl.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "bench/cli_process.h"
#include "bench/flood_packets.h"
#include "bench/serial_bench_support.h"
#include "core/render.h"

namespace {

using Clock = std::chrono::steady_clock;
using ferrotap::bench::CliProcess;
using ferrotap::bench::PtyPair;

constexpr double kTargetHexMBs = 100;
constexpr double kTargetShare = 0.5;
constexpr double kTargetDecodeMBs = 50;

std::string RawPayload(std::size_t bytes) {
  std::string payload(bytes, '\0');
  for (std::size_t i = 0; i < bytes; ++i) payload[i] = ferrotap::bench::FloodByte(i);
  return payload;
}

std::string PacketPayload(std::size_t bytes, std::string* lines) {
  std::string payload;
  payload.reserve(bytes + 16);
  for (std::size_t i = 0; payload.size() < bytes; ++i) {
    payload += ferrotap::bench::FloodPacket(i);
    if (lines != nullptr) *lines += ferrotap::bench::FloodPacketLine(i, "\n");
  }
  return payload;
}

void WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, std::min<std::size_t>(65536, bytes.size() - done));
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else {
      pollfd p{fd, POLLOUT, 0};
      ::poll(&p, 1, 100);
    }
  }
}

// Nothing waits in the line for the reader any more (looked at twice, 1 ms apart).
void WaitDrained(int slave) {
  int idle = 0;
  while (idle < 2) {
    int queued = 0;
    ::ioctl(slave, FIONREAD, &queued);
    idle = queued == 0 ? idle + 1 : 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

double MBs(std::size_t bytes, Clock::duration d) {
  return bytes / 1e6 / std::chrono::duration<double>(d).count();
}

// The rate at which a monitor on the line takes the payload; `out` gets its text.
double CliRate(const std::string& payload, bool decode, const std::string& out, bool& ok,
               double* cpuShare = nullptr) {
  PtyPair line;
  std::vector<std::string> args = {"monitor", "-a", line.slaveName, "--format", "hex"};
  if (decode) args.push_back("--decode");
  CliProcess cli(args, out);
  ok = cli.WaitFor("monitoring");
  if (!ok) {
    std::printf("ferrotap-cli did not start: %s\n", cli.Said().c_str());
    return 0;
  }
  const Clock::time_point start = Clock::now();
  WriteAll(line.master, payload);
  WaitDrained(line.keepSlave);
  const Clock::duration took = Clock::now() - start;
  ok = cli.Stop() == 0;
  if (cpuShare != nullptr) *cpuShare = cli.CpuSeconds() / std::chrono::duration<double>(took).count();
  return MBs(payload.size(), took);
}

double BareRate(const std::string& payload) {
  PtyPair line;
  const int fd = ::open(line.slaveName.c_str(), O_RDWR | O_NOCTTY);
  termios tio{};
  ::tcgetattr(fd, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(fd, TCSANOW, &tio);
  std::thread reader([&] {
    std::string buffer(65536, '\0');
    std::size_t got = 0;
    while (got < payload.size()) {
      const ssize_t n = ::read(fd, buffer.data(), buffer.size());
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
  });
  const Clock::time_point start = Clock::now();
  WriteAll(line.master, payload);
  reader.join();
  const Clock::duration took = Clock::now() - start;
  ::close(fd);
  return MBs(payload.size(), took);
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::size_t mb = argc > 1 ? static_cast<std::size_t>(std::max(1, std::atoi(argv[1]))) : 100;
  const std::size_t bytes = mb * 1000 * 1000;
  const std::string checkFile = "/tmp/ferrotap-bench-cli-monitor.txt";

  bool ok = true;
  const std::string sample = RawPayload(1000 * 1000);
  CliRate(sample, false, checkFile, ok);
  const bool rawText = ok && FileText(checkFile) == ferrotap::RenderBytes(ferrotap::DisplayFormat::Hex, sample);
  std::string lines;
  const std::string packets = PacketPayload(1000 * 1000, &lines);
  CliRate(packets, true, checkFile, ok);
  const bool decodeText = ok && FileText(checkFile) == lines;
  std::remove(checkFile.c_str());

  const std::string raw = RawPayload(bytes);
  const double bare = BareRate(raw);
  double hexCpu = 0;
  double decodeCpu = 0;
  const double hex = CliRate(raw, false, "/dev/null", ok, &hexCpu);
  const double decoded = CliRate(PacketPayload(bytes, nullptr), true, "/dev/null", ok, &decodeCpu);

  std::printf("payload %zu MB through a pseudo-terminal, text into /dev/null\n", mb);
  std::printf("text check      hex %s, decode %s\n", rawText ? "ok" : "WRONG",
              decodeText ? "ok" : "WRONG");
  std::printf("bare read loop  %8.1f MB/s\n", bare);
  std::printf("cli hex         %8.1f MB/s  (%.0f %% of bare), cli busy %.0f %% of a core\n", hex,
              100 * hex / bare, 100 * hexCpu);
  std::printf("cli decode      %8.1f MB/s, cli busy %.0f %% of a core\n", decoded, 100 * decodeCpu);
  const bool met = ok && rawText && decodeText && hex >= kTargetHexMBs &&
                   hex >= kTargetShare * bare && decoded >= kTargetDecodeMBs;
  std::printf("targets: hex >= %.0f MB/s and >= %.0f %% of bare, decode >= %.0f MB/s, text "
              "right: %s\n",
              kTargetHexMBs, 100 * kTargetShare, kTargetDecodeMBs, met ? "met" : "MISSED");
  return met ? 0 : 1;
}
