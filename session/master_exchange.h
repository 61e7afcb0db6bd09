// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

#include "protocol/decoded_packet.h"
#include "protocol/packet_decoder.h"

namespace ferrotap {

// How an exchange ended: completed, or not and why.
struct ExchangeEnd {
  int code = 0;
  bool completed = false;
  std::string why;
};

// A master's exchange as port A's decoder sees it go by: the query went out, and the ACK, the
// answer and the SYNC the protocol calls for come back, in any order. Each step returns the end
// of the exchange when it was the last one, or the one that failed.
class MasterExchange {
 public:
  struct Expected {
    bool ack = false;
    bool answer = false;
    bool sync = false;
  };

  // A query is out; one still waiting for its reply is abandoned first.
  std::optional<ExchangeEnd> Start(int code, Expected expected);
  bool Open() const { return open_; }

  std::optional<ExchangeEnd> Seen(ProtocolEvent event);
  // A packet came in on port A.
  std::optional<ExchangeEnd> Framed(const DecodedPacket& packet);
  // The slave raised RTS: its SYNC on RTS/CTS.
  std::optional<ExchangeEnd> SyncOnCts();
  // The port went away or refused the query.
  std::optional<ExchangeEnd> Abandon(const std::string& why);

 private:
  std::optional<ExchangeEnd> EndIfDone();
  std::optional<ExchangeEnd> Fail(const std::string& why);

  bool open_ = false;
  int code_ = 0;
  Expected waiting_;
};

}  // namespace ferrotap
