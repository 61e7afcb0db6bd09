// SPDX-License-Identifier: MIT
#include "session/master_exchange.h"

namespace ferrotap {

std::optional<ExchangeEnd> MasterExchange::Start(int code, Expected expected) {
  open_ = true;
  code_ = code;
  waiting_ = expected;
  return EndIfDone();
}

std::optional<ExchangeEnd> MasterExchange::Seen(ProtocolEvent event) {
  if (!open_) return std::nullopt;
  switch (event) {
    case ProtocolEvent::Ack:
      waiting_.ack = false;
      break;
    case ProtocolEvent::Nak:
      return Fail("NAK");
    case ProtocolEvent::Sync:
      waiting_.sync = false;
      break;
    case ProtocolEvent::PackTimeout:
      return Fail("Pack Time Out");
    case ProtocolEvent::AckNakTimeout:
      return Fail("ACK - NAK Time Out");
    case ProtocolEvent::SyncTimeout:
      return Fail("SYNC Time Out");
  }
  return EndIfDone();
}

std::optional<ExchangeEnd> MasterExchange::Framed(const DecodedPacket& packet) {
  if (!open_ || !waiting_.answer) return std::nullopt;
  if (packet.checksum == ChecksumCheck::Error || packet.checksum == ChecksumCheck::Missing) {
    return Fail("answer with a bad checksum");
  }
  waiting_.answer = false;
  return EndIfDone();
}

std::optional<ExchangeEnd> MasterExchange::SyncOnCts() {
  if (!open_) return std::nullopt;
  waiting_.sync = false;
  return EndIfDone();
}

std::optional<ExchangeEnd> MasterExchange::Abandon(const std::string& why) {
  if (!open_) return std::nullopt;
  return Fail(why);
}

std::optional<ExchangeEnd> MasterExchange::EndIfDone() {
  if (waiting_.ack || waiting_.answer || waiting_.sync) return std::nullopt;
  open_ = false;
  return ExchangeEnd{code_, true, {}};
}

std::optional<ExchangeEnd> MasterExchange::Fail(const std::string& why) {
  open_ = false;
  return ExchangeEnd{code_, false, why};
}

}  // namespace ferrotap
