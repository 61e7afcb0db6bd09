// SPDX-License-Identifier: MIT
#include "serial/com_port_error.h"

#include <cerrno>
#include <cstring>

#include "core/printable_text.h"

namespace ferrotap {

// Device paths come from the environment and the port map: a control byte in one must neither cut
// the message short nor reach the message box raw.
ComPortError::ComPortError(int code, const std::string& message)
    : std::runtime_error(PrintableText(message)), code_(code) {}

ComPortError ComPortError::FromErrno(int err, const std::string& device,
                                     const std::string& action) {
  std::string message = device + ": " + action + " failed: " + std::strerror(err);
  switch (err) {
    case ENOENT:
    case ENOTDIR:
    case ENXIO:
    case ENODEV:
      return ComPortError(kErrBadPort, message + " (no such serial port)");
    case EBUSY:
    case EWOULDBLOCK:
      return ComPortError(kErrAlreadyOpen, message + " (the port is already open)");
    case EACCES:
    case EPERM:
      return ComPortError(kSystemErrorBase - err,
                          message + " (is your user in the dialout group?)");
    default:
      return ComPortError(kSystemErrorBase - err, message);
  }
}

}  // namespace ferrotap
