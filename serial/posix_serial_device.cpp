// SPDX-License-Identifier: MIT
#include "serial/posix_serial_device.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "serial/com_port_error.h"
#include "serial/custom_baud.h"

namespace ferrotap {
namespace {

speed_t SpeedFor(int32_t baud) {
  switch (baud) {
    case 50:
      return B50;
    case 75:
      return B75;
    case 110:
      return B110;
    case 150:
      return B150;
    case 300:
      return B300;
    case 600:
      return B600;
    case 1200:
      return B1200;
    case 1800:
      return B1800;
    case 2400:
      return B2400;
    case 4800:
      return B4800;
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    case 230400:
      return B230400;
    case 460800:
      return B460800;
    case 921600:
      return B921600;
    default:
      return 0;
  }
}

// A driver may round a rate it cannot make exactly; a UART is read reliably within about 2 %.
bool CloseEnough(int64_t got, int32_t wanted) {
  return got > 0 && (got > wanted ? got - wanted : wanted - got) * 50 <= wanted;
}

// Drivers answer an ioctl they do not implement with ENOTTY (sometimes EINVAL).
bool NotAvailable(int err) {
  return err == ENOTTY || err == EINVAL;
}

// The slave end of a pseudo-terminal (majors 136 to 143): it carries no line errors.
bool IsPseudoTerminal(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  const unsigned int m = major(st.st_rdev);
  return m >= 136 && m <= 143;
}

}  // namespace

void ApplyLineToTermios(termios& tio, const LineSettings& line, bool markErrors) {
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
  tio.c_iflag &= ~(ISTRIP | IGNPAR | IGNBRK | BRKINT | INPCK | PARMRK);
  // Errors and breaks arrive marked in the data, each on its own byte (see ParmrkDecoder).
  if (markErrors) tio.c_iflag |= INPCK | PARMRK;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  switch (line.dataBits) {
    case 5:
      tio.c_cflag |= CS5;
      break;
    case 6:
      tio.c_cflag |= CS6;
      break;
    case 7:
      tio.c_cflag |= CS7;
      break;
    default:
      tio.c_cflag |= CS8;
      break;
  }
  switch (line.parity) {
    case pNone:
      break;
    case pOdd:
      tio.c_cflag |= PARENB | PARODD;
      break;
    case pEven:
      tio.c_cflag |= PARENB;
      break;
    case pMark:
      tio.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case pSpace:
      tio.c_cflag |= PARENB | CMSPAR;
      break;
  }
  // With five data bits the UART sends one and a half stop bits for CSTOPB.
  if (line.stopBits != StopBitsMode::One) tio.c_cflag |= CSTOPB;
  // A rate outside the classic list is set afterwards through termios2.
  const speed_t speed = SpeedFor(line.baud) != 0 ? SpeedFor(line.baud) : B38400;
  cfsetispeed(&tio, speed);
  cfsetospeed(&tio, speed);
}

bool UsesKernelRtsCts(const FlowSettings& flow) {
  constexpr uint8_t kBoth = hwfUseRTS | hwfRequireCTS;
  return !flow.rs485 && (flow.hwOptions & kBoth) == kBoth;
}

void ApplyFlowToTermios(termios& tio, const FlowSettings& flow) {
  // The Linux driver ties RTS hand-shake and CTS holding into one flag, so it only serves when
  // both are chosen; either one alone, and DTR/DSR hand-shake, are done by the dispatcher.
  if (UsesKernelRtsCts(flow)) {
    tio.c_cflag |= CRTSCTS;
  } else {
    tio.c_cflag &= ~CRTSCTS;
  }
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  if (flow.swOptions == swfReceive || flow.swOptions == swfBoth) tio.c_iflag |= IXOFF;
  if (flow.swOptions == swfTransmit || flow.swOptions == swfBoth) tio.c_iflag |= IXON;
  tio.c_cc[VSTART] = flow.xOnChar;
  tio.c_cc[VSTOP] = flow.xOffChar;
}

std::unique_ptr<PosixSerialDevice> PosixSerialDevice::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw ComPortError::FromErrno(errno, path, "open");
  auto fail = [&](const char* action) {
    const int err = errno;
    ::close(fd);
    throw ComPortError::FromErrno(err, path, action);
  };
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) fail("lock");
  if (::ioctl(fd, TIOCEXCL) != 0 && !NotAvailable(errno)) fail("exclusive access");
  termios saved{};
  if (::tcgetattr(fd, &saved) != 0) fail("read settings of the port");
  return std::unique_ptr<PosixSerialDevice>(new PosixSerialDevice(path, fd, saved));
}

PosixSerialDevice::PosixSerialDevice(std::string path, int fd, const termios& saved)
    : path_(std::move(path)), fd_(fd), saved_(saved), markErrors_(!IsPseudoTerminal(fd)) {}

PosixSerialDevice::~PosixSerialDevice() {
  ::tcflush(fd_, TCIOFLUSH);
  ::tcsetattr(fd_, TCSANOW, &saved_);
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);
}

IoResult PosixSerialDevice::Lost(int err) {
  return {0, IoResult::Status::Lost, path_ + ": " + (err == 0 ? "hang-up" : std::strerror(err))};
}

IoResult PosixSerialDevice::Read(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, size);
    if (n > 0) {
      if (!markErrors_) return {static_cast<std::size_t>(n), IoResult::Status::Ok, {}};
      uint8_t errors = 0;
      const std::size_t kept = marks_.Decode(buffer, static_cast<std::size_t>(n), parity_, errors);
      if (errors != 0) markedErrors_ |= errors;
      // A read of nothing but marks: look for data behind them.
      if (kept == 0) continue;
      return {kept, IoResult::Status::Ok, {}};
    }
    if (n == 0) {
      // Raw mode with VMIN=0 answers 0 for "nothing there" too; only a hang-up polls as such.
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR)) != 0) return Lost(0);
      return {0, IoResult::Status::WouldBlock, {}};
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return {0, IoResult::Status::WouldBlock, {}};
    return Lost(errno);
  }
}

IoResult PosixSerialDevice::Write(const char* data, std::size_t size) {
  for (;;) {
    const ssize_t n = ::write(fd_, data, size);
    if (n >= 0) return {static_cast<std::size_t>(n), IoResult::Status::Ok, {}};
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return {0, IoResult::Status::WouldBlock, {}};
    return Lost(errno);
  }
}

void PosixSerialDevice::ApplyLine(const LineSettings& line) {
  const std::string rate = "bit rate " + std::to_string(line.baud);
  if (line.baud <= 0) throw ComPortError(kErrBadArgument, path_ + ": " + rate + " is not valid");
  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0)
    throw ComPortError::FromErrno(errno, path_, "read settings of the port");
  ApplyLineToTermios(tio, line, markErrors_);
  if (::tcsetattr(fd_, TCSANOW, &tio) != 0) {
    throw ComPortError::FromErrno(errno, path_, "set line parameters of the port");
  }
  if (SpeedFor(line.baud) == 0) {
    const int64_t got = SetCustomBaud(fd_, line.baud);
    if (got < 0) {
      throw ComPortError(kErrBadArgument, path_ + ": the driver refuses the " + rate + " (" +
                                              std::strerror(errno) + ")");
    }
    if (!CloseEnough(got, line.baud)) {
      throw ComPortError(kErrBadArgument, path_ + ": the driver refuses the " + rate +
                                              " (it would run at " + std::to_string(got) + ")");
    }
  }
  parity_ = line.parity != pNone;
}

DriverFlow PosixSerialDevice::ApplyFlow(const FlowSettings& flow) {
  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0)
    throw ComPortError::FromErrno(errno, path_, "read settings of the port");
  ApplyFlowToTermios(tio, flow);
  if (::tcsetattr(fd_, TCSANOW, &tio) != 0) {
    throw ComPortError::FromErrno(errno, path_, "set flow control of the port");
  }
  DriverFlow driver;
  driver.rtsCts = UsesKernelRtsCts(flow);
  serial_rs485 rs485{};
  if (::ioctl(fd_, TIOCGRS485, &rs485) == 0) {
    const uint32_t wanted = flow.rs485 ? (SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND) : 0;
    rs485.flags &= ~(SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND | SER_RS485_RTS_AFTER_SEND);
    rs485.flags |= wanted;
    // Drivers may answer success and still leave the mode off: read it back.
    driver.rs485 = flow.rs485 && ::ioctl(fd_, TIOCSRS485, &rs485) == 0 &&
                   ::ioctl(fd_, TIOCGRS485, &rs485) == 0 && (rs485.flags & SER_RS485_ENABLED);
  }
  return driver;
}

bool PosixSerialDevice::SetModemBit(int bit, bool on) {
  if (!modemAvailable_) return false;
  if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) == 0) return true;
  if (NotAvailable(errno)) modemAvailable_ = false;
  return false;
}

bool PosixSerialDevice::SetDtr(bool on) {
  return SetModemBit(TIOCM_DTR, on);
}
bool PosixSerialDevice::SetRts(bool on) {
  return SetModemBit(TIOCM_RTS, on);
}

bool PosixSerialDevice::HasModemLines() {
  if (modemAvailable_) ModemLines();
  return modemAvailable_;
}

uint8_t PosixSerialDevice::ModemLines() {
  if (!modemAvailable_) return 0;
  int bits = 0;
  if (::ioctl(fd_, TIOCMGET, &bits) != 0) {
    if (NotAvailable(errno)) modemAvailable_ = false;
    return 0;
  }
  uint8_t lines = 0;
  if (bits & TIOCM_CTS) lines |= kModemCts;
  if (bits & TIOCM_DSR) lines |= kModemDsr;
  if (bits & TIOCM_RI) lines |= kModemRing;
  if (bits & TIOCM_CD) lines |= kModemDcd;
  return lines;
}

uint8_t PosixSerialDevice::TakeLineErrors() {
  uint8_t bits = markedErrors_.exchange(0);
  if (!countersAvailable_) return bits;
  serial_icounter_struct counts{};
  if (::ioctl(fd_, TIOCGICOUNT, &counts) != 0) {
    if (NotAvailable(errno)) countersAvailable_ = false;
    return bits;
  }
  if (haveCounters_) {
    if (counts.buf_overrun != lastBufOverrun_) bits |= kLineRxOverflow;
    if (counts.overrun != lastOverrun_) bits |= kLineOverrun;
    if (counts.parity != lastParity_) bits |= kLineParity;
    if (counts.frame != lastFrame_) bits |= kLineFraming;
    if (counts.brk != lastBreak_) bits |= kLineBreak;
  }
  haveCounters_ = true;
  lastBufOverrun_ = counts.buf_overrun;
  lastOverrun_ = counts.overrun;
  lastParity_ = counts.parity;
  lastFrame_ = counts.frame;
  lastBreak_ = counts.brk;
  return bits;
}

std::size_t PosixSerialDevice::OutputQueued() {
  int queued = 0;
  if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) return 0;
  return queued > 0 ? static_cast<std::size_t>(queued) : 0;
}

bool PosixSerialDevice::TransmitterEmpty() {
  if (OutputQueued() != 0) return false;
  // The queue count leaves out the UART's own buffer and shift register; the line status
  // register tells, where the driver offers it.
  if (!lsrAvailable_) return true;
  unsigned int lsr = 0;
  if (::ioctl(fd_, TIOCSERGETLSR, &lsr) != 0) {
    if (NotAvailable(errno)) lsrAvailable_ = false;
    return true;
  }
  return (lsr & TIOCSER_TEMT) != 0;
}

void PosixSerialDevice::PurgeInput() {
  ::tcflush(fd_, TCIFLUSH);
}
void PosixSerialDevice::PurgeOutput() {
  ::tcflush(fd_, TCOFLUSH);
}

}  // namespace ferrotap
