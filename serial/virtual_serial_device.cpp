#include "serial/virtual_serial_device.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "serial/com_port_error.h"

namespace ferrotap {

struct VirtualSerialDevice::Cable {
  struct End {
    bool open = false;
    bool dtr = false;
    bool rts = false;
    uint8_t pendingErrors = 0;
    LineSettings line;
    FlowSettings flow;
  };
  std::string name;
  int fds[2] = {-1, -1};
  mutable std::mutex mutex;
  End ends[2];

  ~Cable() {
    for (int fd : fds) {
      if (fd >= 0) ::close(fd);
    }
  }
};

namespace {

constexpr const char* kPrefix = "virtual:";

std::mutex& RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<std::string, std::weak_ptr<VirtualSerialDevice::Cable>>& Registry() {
  static std::map<std::string, std::weak_ptr<VirtualSerialDevice::Cable>> cables;
  return cables;
}

// "virtual:NAME:a" -> NAME and side 0; false when the path is malformed.
bool ParsePath(const std::string& path, std::string& name, int& side) {
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
    throw ComPortError(kErrBadPort, path + ": not a virtual port (expected virtual:NAME:a or b)");
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

IoResult VirtualSerialDevice::Read(char* buffer, std::size_t size) {
  const ssize_t n = ::recv(cable_->fds[side_], buffer, size, MSG_DONTWAIT);
  if (n > 0) return {static_cast<std::size_t>(n), IoResult::Status::Ok, {}};
  return {0, IoResult::Status::WouldBlock, {}};
}

IoResult VirtualSerialDevice::Write(const char* data, std::size_t size) {
  const ssize_t n = ::send(cable_->fds[side_], data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
  if (n >= 0) return {static_cast<std::size_t>(n), IoResult::Status::Ok, {}};
  return {0, IoResult::Status::WouldBlock, {}};
}

void VirtualSerialDevice::ApplyLine(const LineSettings& line) {
  std::lock_guard lock(cable_->mutex);
  cable_->ends[side_].line = line;
}

void VirtualSerialDevice::ApplyFlow(const FlowSettings& flow) {
  std::lock_guard lock(cable_->mutex);
  cable_->ends[side_].flow = flow;
}

bool VirtualSerialDevice::SetDtr(bool on) {
  std::lock_guard lock(cable_->mutex);
  cable_->ends[side_].dtr = on;
  return true;
}

bool VirtualSerialDevice::SetRts(bool on) {
  std::lock_guard lock(cable_->mutex);
  cable_->ends[side_].rts = on;
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

}  // namespace ferrotap
