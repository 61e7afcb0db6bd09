// SPDX-License-Identifier: MIT
// Kept apart: <asm/termbits.h> and <termios.h> declare the same names and cannot meet in one file.
#include "serial/custom_baud.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace ferrotap {

int64_t SetCustomBaud(int fd, int32_t baud) {
  struct termios2 tio {};
  if (::ioctl(fd, TCGETS2, &tio) != 0) return -1;
  tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  tio.c_ispeed = static_cast<speed_t>(baud);
  tio.c_ospeed = static_cast<speed_t>(baud);
  if (::ioctl(fd, TCSETS2, &tio) != 0) return -1;
  return CurrentBaud(fd);
}

int64_t CurrentBaud(int fd) {
  struct termios2 tio {};
  if (::ioctl(fd, TCGETS2, &tio) != 0) return -1;
  return tio.c_ospeed;
}

}  // namespace ferrotap
