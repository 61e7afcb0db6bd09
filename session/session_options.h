// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

#include "core/bytes.h"
#include "core/idle_gap.h"
#include "core/render.h"
#include "core/time_stamp.h"
#include "protocol/protocol_definition.h"
#include "simulation/line_end.h"

namespace ferrotap {

// Which part port A plays in the user's protocol.
enum class SimulationRole { None, Master, Slave };

// What the front-end's controls or command line say at the moment of a call. The session asks the
// host for a fresh snapshot at each entry point, so a change takes effect at the next byte.
struct SessionOptions {
  // Received bytes go through the packet decoders instead of being shown as they are.
  bool decode = false;
  // How port A's data is shown, and port B's data and the echo of what is sent.
  DisplayFormat formatA = DisplayFormat::Hex;
  DisplayFormat formatB = DisplayFormat::Hex;
  // What is sent is shown too.
  bool echo = true;
  SimulationRole role = SimulationRole::None;
  // What ends a line of shown text.
  Bytes lineBreak = "\r\n";
  // The protocol's live options (the applied definition is the session's own).
  ProtocolOptions protocol;
  // Added to typed strings and commands; files go as they are.
  LineEnd lineEnd = LineEnd::None;
  // RS-485 with the direction switched by the program: RTS is raised for each send and dropped
  // when its last stop bit has left.
  bool rs485Timed = false;
  // Every line shown opens with the time its data was read.
  TimeStampMode timeStamps = TimeStampMode::None;
  // Without decoding, received data starts a new line after this much silence on its port.
  std::optional<IdleGap> idleGap;
};

// Device paths that take the place of the settings' port numbers: a device such as /dev/ttyUSB0,
// or one end of a virtual cable, virtual:NAME:a. Empty: the number's path.
struct PortPaths {
  std::string a;
  std::string b;
};

}  // namespace ferrotap
