// SPDX-License-Identifier: MIT
#include "serial/virtual_serial_device.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "serial/com_port_error.h"
#include "serial/rs485_timing.h"

namespace ferrotap {

struct VirtualSerialDevice::Cable {
  struct OnLine {
    char byte;
    Clock::time_point leaves;  // when its last stop bit has left
  };
  struct End {
    bool open = false;
    bool dtr = false;
    bool rts = false;
    uint8_t pendingErrors = 0;
    LineSettings line;
    FlowSettings flow;
    std::deque<OnLine> sending;  // paced: written, not yet arrived
    Clock::time_point lineFree{};
    Clock::time_point rtsFall{};
  };
  std::string name;
  int fds[2] = {-1, -1};
  mutable std::mutex mutex;
  End ends[2];
  bool unplugged = false;
  bool paced = false;
  bool stopping = false;
  std::condition_variable wake;
  std::thread pacer;

  ~Cable() {
    if (pacer.joinable()) {
      {
        std::lock_guard lock(mutex);
        stopping = true;
      }
      wake.notify_all();
      pacer.join();
    }
    for (int fd : fds) {
      if (fd >= 0) ::close(fd);
    }
  }

  void StartPacing() {
    std::lock_guard lock(mutex);
    if (paced) return;
    paced = true;
    pacer = std::thread([this] { Pace(); });
  }

  // Hands each byte to the receiving end once its time on the line is over.
  void Pace() {
    std::unique_lock lock(mutex);
    while (!stopping) {
      const auto now = Clock::now();
      auto next = Clock::time_point::max();
      for (int side = 0; side < 2; ++side) {
        End& from = ends[side];
        std::string due;
        while (!from.sending.empty() && from.sending.front().leaves <= now) {
          due.push_back(from.sending.front().byte);
          from.sending.pop_front();
        }
        if (!due.empty()) {
          const ssize_t sent =
              ::send(fds[side], due.data(), due.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
          const std::size_t done = sent > 0 ? static_cast<std::size_t>(sent) : 0;
          // The receiver is not reading: keep the rest for a little later.
          for (std::size_t i = due.size(); i > done; --i)
            from.sending.push_front({due[i - 1], now});
          if (done < due.size()) next = std::min(next, now + std::chrono::milliseconds(1));
          End& to = ends[1 - side];
          if (done > 0 && to.open && !(to.line == from.line)) to.pendingErrors |= kLineFraming;
        }
        if (!from.sending.empty()) next = std::min(next, from.sending.front().leaves);
      }
      if (next == Clock::time_point::max()) {
        wake.wait(lock);
      } else {
        wake.wait_until(lock, next);
      }
    }
  }

  // Nanoseconds one character of this end takes on the line; 0 when it cannot be timed.
  int64_t CharacterNs(int side) const {
    const LineSettings& line = ends[side].line;
    if (line.baud <= 0) return 0;
    return (int64_t{FrameBits(line)} * 1'000'000'000 + line.baud - 1) / line.baud;
  }
};

namespace {

constexpr const char* kPrefix = "virtual:";
constexpr const char* kPacedSuffix = ":paced";

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::mutex& RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<std::string, std::weak_ptr<VirtualSerialDevice::Cable>>& Registry() {
  static std::map<std::string, std::weak_ptr<VirtualSerialDevice::Cable>> cables;
  return cables;
}

// "virtual:NAME:a" -> NAME and side 0; false when the path is malformed.
bool ParsePath(std::string path, std::string& name, int& side) {
  if (EndsWith(path, kPacedSuffix)) path.resize(path.size() - std::string(kPacedSuffix).size());
  const std::string prefix = kPrefix;
  if (path.rfind(prefix, 0) != 0 || path.size() < prefix.size() + 3) return false;
  const char end = path.back();
  if (path[path.size() - 2] != ':' || (end != 'a' && end != 'b')) return false;
  name = path.substr(prefix.size(), path.size() - prefix.size() - 2);
  side = end == 'a' ? 0 : 1;
  return !name.empty();
}

}  // namespace

bool VirtualSerialDevice::IsVirtualPath(const std::string& path) {
  return path.rfind(kPrefix, 0) == 0;
}

bool VirtualSerialDevice::CanOpen(const std::string& path) {
  std::string name;
  int side = 0;
  if (!ParsePath(path, name, side)) return false;
  std::lock_guard lock(RegistryMutex());
  auto it = Registry().find(name);
  if (it == Registry().end()) return true;
  auto cable = it->second.lock();
  if (!cable) return true;
  std::lock_guard cableLock(cable->mutex);
  return !cable->ends[side].open;
}

std::unique_ptr<VirtualSerialDevice> VirtualSerialDevice::Open(const std::string& path) {
  std::string name;
  int side = 0;
  if (!ParsePath(path, name, side)) {
    throw ComPortError(kErrBadPort,
                       path +
                           ": not a virtual port (expected virtual:NAME:a or b, optionally "
                           "followed by :paced)");
  }
  std::lock_guard lock(RegistryMutex());
  std::shared_ptr<Cable> cable = Registry()[name].lock();
  if (!cable) {
    cable = std::make_shared<Cable>();
    cable->name = name;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, cable->fds) != 0) {
      throw ComPortError::FromErrno(errno, path, "create");
    }
    Registry()[name] = cable;
  }
  if (EndsWith(path, kPacedSuffix)) cable->StartPacing();
  {
    std::lock_guard cableLock(cable->mutex);
    Cable::End& end = cable->ends[side];
    if (end.open) throw ComPortError(kErrAlreadyOpen, path + ": the port is already open");
    end = Cable::End{};
    end.open = true;
  }
  auto device = std::unique_ptr<VirtualSerialDevice>(new VirtualSerialDevice(path, cable, side));
  device->PurgeInput();
  return device;
}

VirtualSerialDevice::VirtualSerialDevice(std::string path, std::shared_ptr<Cable> cable, int side)
    : path_(std::move(path)), cable_(std::move(cable)), side_(side) {}

VirtualSerialDevice::~VirtualSerialDevice() {
  std::lock_guard lock(RegistryMutex());
  bool peerOpen = false;
  {
    std::lock_guard cableLock(cable_->mutex);
    cable_->ends[side_] = Cable::End{};
    peerOpen = cable_->ends[1 - side_].open;
  }
  if (!peerOpen) Registry().erase(cable_->name);
}

int VirtualSerialDevice::ReadFd() const {
  return cable_->fds[side_];
}
int VirtualSerialDevice::WriteFd() const {
  return cable_->fds[side_];
}

namespace {

IoResult Unplugged(const std::string& path) {
  return {0, IoResult::Status::Lost, path + ": cable pulled"};
}

}  // namespace

IoResult VirtualSerialDevice::Read(char* buffer, std::size_t size) {
  // What had arrived before the cable was pulled is still read, as from a driver's buffer.
  const ssize_t n = ::recv(cable_->fds[side_], buffer, size, MSG_DONTWAIT);
  if (n > 0) return {static_cast<std::size_t>(n), IoResult::Status::Ok, {}};
  std::lock_guard lock(cable_->mutex);
  if (cable_->unplugged) return Unplugged(path_);
  return {0, IoResult::Status::WouldBlock, {}};
}

IoResult VirtualSerialDevice::Write(const char* data, std::size_t size) {
  return WriteAfterSilence(data, size, std::chrono::nanoseconds(0));
}

IoResult VirtualSerialDevice::WriteAfterSilence(const char* data, std::size_t size,
                                                std::chrono::nanoseconds silence) {
  std::lock_guard lock(cable_->mutex);
  if (cable_->unplugged) return Unplugged(path_);
  Cable::End& end = cable_->ends[side_];
  const auto now = Clock::now();
  const int64_t characterNs = cable_->paced ? cable_->CharacterNs(side_) : 0;
  if (characterNs > 0) {
    auto leaves = std::max(now, end.lineFree + silence);
    for (std::size_t i = 0; i < size; ++i) {
      leaves += std::chrono::nanoseconds(characterNs);
      end.sending.push_back({data[i], leaves});
    }
    end.lineFree = leaves;
    cable_->wake.notify_all();
    return {size, IoResult::Status::Ok, {}};
  }
  end.lineFree = now;
  const ssize_t n = ::send(cable_->fds[side_], data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
  if (n >= 0) return {static_cast<std::size_t>(n), IoResult::Status::Ok, {}};
  return {0, IoResult::Status::WouldBlock, {}};
}

void VirtualSerialDevice::ApplyLine(const LineSettings& line) {
  std::lock_guard lock(cable_->mutex);
  cable_->ends[side_].line = line;
}

DriverFlow VirtualSerialDevice::ApplyFlow(const FlowSettings& flow) {
  std::lock_guard lock(cable_->mutex);
  cable_->ends[side_].flow = flow;
  // Like a plain UART: hand-shakes and RS-485 direction are the program's to do.
  return {};
}

bool VirtualSerialDevice::SetDtr(bool on) {
  std::lock_guard lock(cable_->mutex);
  cable_->ends[side_].dtr = on;
  return true;
}

bool VirtualSerialDevice::SetRts(bool on) {
  std::lock_guard lock(cable_->mutex);
  Cable::End& end = cable_->ends[side_];
  if (end.rts && !on) end.rtsFall = Clock::now();
  end.rts = on;
  return true;
}

uint8_t VirtualSerialDevice::ModemLines() {
  std::lock_guard lock(cable_->mutex);
  const Cable::End& peer = cable_->ends[1 - side_];
  if (!peer.open) return 0;
  uint8_t lines = 0;
  if (peer.rts) lines |= kModemCts;
  if (peer.dtr) lines |= kModemDsr | kModemDcd;
  return lines;
}

uint8_t VirtualSerialDevice::TakeLineErrors() {
  std::lock_guard lock(cable_->mutex);
  const uint8_t bits = cable_->ends[side_].pendingErrors;
  cable_->ends[side_].pendingErrors = 0;
  return bits;
}

std::size_t VirtualSerialDevice::OutputQueued() {
  std::lock_guard lock(cable_->mutex);
  return cable_->ends[side_].sending.size();
}

bool VirtualSerialDevice::TransmitterEmpty() {
  std::lock_guard lock(cable_->mutex);
  return Clock::now() >= cable_->ends[side_].lineFree;
}

void VirtualSerialDevice::PurgeOutput() {
  std::lock_guard lock(cable_->mutex);
  Cable::End& end = cable_->ends[side_];
  end.sending.clear();
  end.lineFree = std::min(end.lineFree, Clock::now());
}

void VirtualSerialDevice::Unplug() {
  std::lock_guard lock(cable_->mutex);
  cable_->unplugged = true;
}

void VirtualSerialDevice::PurgeInput() {
  char scratch[4096];
  while (::recv(cable_->fds[side_], scratch, sizeof scratch, MSG_DONTWAIT) > 0) {
  }
}

void VirtualSerialDevice::InjectLineErrors(uint8_t bits) {
  std::lock_guard lock(cable_->mutex);
  cable_->ends[1 - side_].pendingErrors |= bits;
}

void VirtualSerialDevice::SendBreak() {
  InjectLineErrors(kLineBreak);
}

LineSettings VirtualSerialDevice::PeerLine() const {
  std::lock_guard lock(cable_->mutex);
  return cable_->ends[1 - side_].line;
}

FlowSettings VirtualSerialDevice::PeerFlow() const {
  std::lock_guard lock(cable_->mutex);
  return cable_->ends[1 - side_].flow;
}

bool VirtualSerialDevice::PeerDtr() const {
  std::lock_guard lock(cable_->mutex);
  return cable_->ends[1 - side_].dtr;
}

bool VirtualSerialDevice::PeerRts() const {
  std::lock_guard lock(cable_->mutex);
  return cable_->ends[1 - side_].rts;
}

VirtualSerialDevice::Clock::time_point VirtualSerialDevice::PeerRtsFall() const {
  std::lock_guard lock(cable_->mutex);
  return cable_->ends[1 - side_].rtsFall;
}

VirtualSerialDevice::Clock::time_point VirtualSerialDevice::PeerLineFree() const {
  std::lock_guard lock(cable_->mutex);
  return cable_->ends[1 - side_].lineFree;
}

}  // namespace ferrotap
