// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "core/bytes.h"
#include "core/colors.h"
#include "protocol/decoded_packet.h"
#include "serial/read_mark.h"

namespace ferrotap {

enum class SessionPort { A, B };

// 'A' or 'B', as messages name the ports.
constexpr char PortLetter(SessionPort port) {
  return port == SessionPort::A ? 'A' : 'B';
}

// How a file send ended.
enum class FileSendEnd { Done, Stopped, PortLost, PortClosed, Failed };

// What a front-end implements to show what the session does. The text calls make the data
// window's content; the events after them carry the same facts as values, for front-ends that
// want them (their default bodies do nothing). Text is Latin-1, one byte per character; messages
// are UTF-8.
class SessionOutput {
 public:
  virtual ~SessionOutput() = default;

  // One insertion of text in the colour of a role.
  virtual void Show(ColorRole role, const Bytes& text) = 0;
  // One insertion in the system's text colour ("[Empty pack]").
  virtual void ShowSystemText(const Bytes& text) = 0;
  // The colour that text inserted by the front-end itself takes from now (the data window's
  // "New line at cursor").
  virtual void SelectColor(ColorRole /*role*/) {}
  // An echo or port B's data is about to show: the window gives the data window the focus.
  virtual void EchoComing() {}

  // Messages, in the exact words the user sees them.
  virtual void Error(const std::string& message) = 0;
  virtual void Info(const std::string& message) = 0;

  // A chunk read from a port, before it is shown or decoded, with the read times of its parts
  // (never empty for a chunk that holds bytes).
  virtual void Received(SessionPort /*port*/, const Bytes& /*bytes*/,
                        const ReadMarks& /*marks*/) {}
  // Bytes handed to port A.
  virtual void Sent(const Bytes& /*bytes*/) {}
  // A packet framed by a port's decoder, as its line shows it.
  virtual void PacketDecoded(SessionPort /*port*/, const DecodedPacket& /*packet*/) {}
  // A master's exchange (query, ACK/NAK, answer, SYNC) ended; completed is false after a NAK, a
  // time-out or a refused send, and `why` then says which.
  virtual void ExchangeEnded(int /*code*/, bool /*completed*/, const std::string& /*why*/) {}
  // Port A's RTS and DTR as set now.
  virtual void RtsChanged(bool /*on*/) {}
  virtual void DtrChanged(bool /*on*/) {}
  // Port state: opened, failed to open (before the Error), closed by the session.
  virtual void PortOpened(SessionPort /*port*/) {}
  virtual void PortOpenFailed(SessionPort /*port*/) {}
  virtual void PortClosed(SessionPort /*port*/) {}
  // The device went away while open, and came back under `path` with the same settings.
  virtual void PortLost(SessionPort /*port*/, const std::string& /*reason*/) {}
  virtual void PortBack(SessionPort /*port*/, const std::string& /*path*/) {}
  // Line errors (overrun, parity, framing, as the port reports them) and breaks.
  virtual void LineError(SessionPort /*port*/, uint16_t /*error*/, bool /*lineBreak*/) {}
  // A file send: started or went on (sent of total bytes), and ended.
  virtual void FileProgress(uint64_t /*sent*/, uint64_t /*total*/) {}
  virtual void FileSendEnded(FileSendEnd /*end*/, uint64_t /*sent*/, uint64_t /*total*/) {}
};

}  // namespace ferrotap
