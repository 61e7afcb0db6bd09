// SPDX-License-Identifier: MIT
#include <exception>

#include "serial/com_port.h"
#include "serial/rs485_timing.h"
#include "session/file_send.h"
#include "session/session.h"
#include "session/session_parts.h"
#include "simulation/escape.h"
#include "simulation/protocol_simulation.h"

namespace ferrotap {
namespace {

// Messages are UTF-8; what the user typed is Latin-1.
std::string Latin1ToUtf8(const std::string& text) {
  std::string out;
  for (const unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

void Session::SendOnPortA(const Bytes& bytes) {
  Snapshot snapshot(*this);
  portA_->CheckCanSend();
  const bool timed = Options().rs485Timed;
  if (timed) {
    portA_->SetRTS(true);
    rs485Timer_->Start(Rs485IntervalMs(bytes.size(), portA_->Line()));
  }
  portA_->WriteString(bytes);
  Log(SessionPort::A, CaptureKind::Sent, bytes, SteadyNowNs());
  output_.Sent(bytes);
  // The port drops RTS itself, right after the last stop bit; the timer is the fallback for a
  // send that failed.
  if (timed) portA_->DropRtsWhenSent(LineTimeUs(bytes.size(), portA_->Line()));
}

void Session::Rs485TimerExpired() {
  Snapshot snapshot(*this);
  if (Options().rs485Timed) portA_->DropRtsWhenSent(0);
}

bool Session::RefuseWhileFileSends() {
  if (!FileSending()) return false;
  output_.Error("A file is being sent. Wait until it has gone out or press \"Cancel\".");
  return true;
}

bool Session::SendWithEcho(const Bytes& bytes) {
  if (RefuseWhileFileSends()) return false;
  try {
    SendOnPortA(bytes);
  } catch (const std::exception& error) {
    output_.Error(error.what());
    return false;
  }
  if (Options().echo) {
    text_->ShowInCurrentColor(Options().lineBreak);
    ShowEcho(bytes);
  }
  return true;
}

bool Session::SendTyped(const Bytes& bytes) {
  Snapshot snapshot(*this);
  return SendWithEcho(WithLineEnd(bytes, Options().lineEnd));
}

bool Session::SendEscaped(const std::string& escaped) {
  const EscapedStringResult decoded = DecodeEscapedString(escaped);
  if (!decoded.ok()) {
    output_.Error("Falformed input string: " + Latin1ToUtf8(decoded.malformed));
    return false;
  }
  return SendTyped(decoded.bytes);
}

bool Session::SendCommand(int number) {
  if (number < 1 || number > kAsciiCommandCount) return false;
  return SendTyped(commands_[static_cast<std::size_t>(number - 1)]);
}

bool Session::SendQuery(uint8_t code, const Bytes& codeText) {
  Snapshot snapshot(*this);
  const ProtocolOptions& o = Options().protocol;
  Report(exchange_.Abandon("no reply before the next query"));
  const bool sent = simulation_->SendQuery(code, codeText);
  if (sent) {
    ++counters_.queries;
    MasterExchange::Expected expected;
    expected.ack = o.useHandShake;
    expected.answer = o.useHandShake && o.useCmd && !simTable_[code].answer.empty();
    expected.sync = o.useHandShake && o.syncType != SyncType::None && simTable_.IsSyncMarked(code);
    Report(exchange_.Start(code, expected));
  } else {
    Report(ExchangeEnd{code, false, "the port refused the query"});
  }
  Flush();
  return sent;
}

void Session::SyncTimerExpired() {
  Snapshot snapshot(*this);
  simulation_->SyncTimerExpired();
  Flush();
}

bool Session::StartFileSend(const std::string& path) {
  if (RefuseWhileFileSends()) return false;
  try {
    portA_->CheckCanSend();
  } catch (const std::exception& error) {
    output_.Error(error.what());
    return false;
  }
  return fileSend_->Start(path);
}

void Session::StopFileSend() {
  fileSend_->End(FileSendEnd::Stopped);
}

bool Session::FileSending() const {
  return fileSend_->Sending();
}

}  // namespace ferrotap
