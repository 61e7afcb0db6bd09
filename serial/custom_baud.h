// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace ferrotap {

// Sets any bit rate on a tty with the kernel's termios2 (BOTHER), for both directions. Returns
// the output rate the driver reports afterwards (it may round or refuse), or -1 with errno set
// when the driver rejects the call.
int64_t SetCustomBaud(int fd, int32_t baud);
// The output rate the tty runs at, or -1 with errno set.
int64_t CurrentBaud(int fd);

}  // namespace ferrotap
