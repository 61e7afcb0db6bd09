// SPDX-License-Identifier: MIT
#include "serial/serial_device.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "serial/posix_serial_device.h"
#include "serial/virtual_serial_device.h"

namespace ferrotap {

std::unique_ptr<SerialDevice> OpenSerialDevice(const std::string& path) {
  if (VirtualSerialDevice::IsVirtualPath(path)) return VirtualSerialDevice::Open(path);
  return PosixSerialDevice::Open(path);
}

bool CanOpenSerialDevice(const std::string& path) {
  if (VirtualSerialDevice::IsVirtualPath(path)) return VirtualSerialDevice::CanOpen(path);
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return free;
}

}  // namespace ferrotap
