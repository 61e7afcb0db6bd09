// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>
#include <string>

namespace ferrotap {

// Error kinds of the serial layer. Operating-system failures from opening carry
// kSystemErrorBase - errno, so every code stays negative and distinct.
enum ComPortErrorCode : int {
  kErrNotOpen = -1,
  kErrNoPortSelected = -2,
  kErrBadPort = -3,
  kErrAlreadyOpen = -4,
  kErrOutputBufferTooSmall = -5,
  kErrBufferEmpty = -6,
  kErrBadTriggerHandle = -7,
  kErrNoMoreTriggers = -8,
  kErrBadArgument = -9,
  kErrPortNotAssigned = -10,
  kSystemErrorBase = -1000,
};

class ComPortError : public std::runtime_error {
 public:
  ComPortError(int code, const std::string& message);

  int Code() const { return code_; }

  // Builds the error for a failed system call on a device: the message names the device, what
  // was being done and the system's reason; errno values that mean "missing" or "busy" get the
  // corresponding kind.
  static ComPortError FromErrno(int err, const std::string& device, const std::string& action);

 private:
  int code_;
};

}  // namespace ferrotap
