// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/capture_log_writer.h"
#include "core/clock_base.h"
#include "core/idle_gap.h"
#include "protocol/packet_decoder.h"
#include "protocol/pdt_file.h"
#include "protocol/protocol_definition.h"
#include "serial/cps_file.h"
#include "session/master_exchange.h"
#include "session/session_host.h"
#include "session/session_options.h"
#include "session/session_output.h"
#include "simulation/ascii_command_table.h"
#include "simulation/simulation_table.h"

namespace ferrotap {

class ComPort;
class FileSend;
class ProtocolSimulation;
class SessionText;

// What the simulation did since the session began: the summary of a slave or a master run.
struct SessionCounters {
  uint64_t queries = 0;  // master: sent; slave: received
  uint64_t answers = 0;  // master: received; slave: sent
  uint64_t naks = 0;     // received by the master, sent by the slave
  uint64_t timeouts = 0;
  uint64_t completed = 0;  // master exchanges that ended well
  uint64_t failed = 0;     // master exchanges that did not
};

// One serial session: ports A and B, where each received chunk goes (shown or decoded), the
// protocol time-outs, port A as master or slave, and everything sent by hand. It makes every
// decision; the front-end reads its controls into values, calls in here, and shows what the
// session reports through its output. All calls on the host's loop thread.
class Session {
 public:
  // settingsDir is where ports.map is looked up (see serial/port_map.h).
  Session(SessionHost& host, SessionOutput& output, const std::string& settingsDir = {});
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Ports A and B. The front-end may read them and hang lamps on them; it changes their settings
  // only through ConfigurePorts.
  ComPort& PortA() const { return *portA_; }
  ComPort& PortB() const { return *portB_; }
  // The bytes of the last data notification of each port.
  const Bytes& RxPackA() const { return rxPackA_; }
  const Bytes& RxPackB() const { return rxPackB_; }
  // When the parts of each port's last data notification were read.
  const ReadMarks& RxMarks(SessionPort port) const {
    return port == SessionPort::A ? rxMarksA_ : rxMarksB_;
  }

  // Port settings. ConfigurePorts copies the settings into the ports (port B in spy mode only)
  // and throws std::runtime_error naming a bad number; OpenPorts opens port A, then port B in spy
  // mode, reporting an open error through the output; it throws ComPortError when port A did not
  // open, and port B is then left alone. ApplyPortSettings does both.
  void ConfigurePorts(const CpsSettings& settings, const PortPaths& paths = {});
  void OpenPorts();
  void ApplyPortSettings(const CpsSettings& settings, const PortPaths& paths = {});
  // Ends a file send (with a message) and closes both ports.
  void ClosePorts();
  // Sets port A's RTS or DTR by hand. False when RTS is not at `on` or the device refuses RTS
  // changes (flow control or RS-485 may own it; a pseudo-terminal has none).
  bool SetRtsA(bool on);
  void SetDtrA(bool on);

  // The protocol definition: ApplyProtocolDefinition takes the characters and numbers of the
  // settings; a bad character is reported ("STX bad character !") and the one before stays.
  const ProtocolDefinition& Definition() const { return definition_; }
  void ApplyProtocolDefinition(const PdtSettings& settings);
  PacketDecoder& DecoderA() const { return *decoderA_; }
  PacketDecoder& DecoderB() const { return *decoderB_; }
  // Decoding was switched on: port A starts with a fresh packet.
  void DecodingStarted();
  // Stops the protocol timers and drops port A's packet in progress, saying why.
  void ResetCurrentPacket(const Bytes& text);

  // Received bytes as they are shown without decoding: port A's, and port B's or the echo's.
  void ShowPortA(const Bytes& bytes);
  void ShowEcho(const Bytes& bytes);
  // A chunk read from a port at `readNs` (steady clock) is shown or decoded: live data, or data
  // played back from a capture log.
  void ShowReceived(SessionPort port, const Bytes& bytes, int64_t readNs);
  // What was sent at `sentNs`, shown as its echo is (a capture log played back).
  void ShowSent(const Bytes& bytes, int64_t sentNs);
  // The clock that turns read times into the absolute time stamps: the session's own start, or
  // the start of a capture log played back.
  void SetClockBase(const ClockBase& clock) { clock_ = clock; }
  const ClockBase& GetClockBase() const { return clock_; }
  // The display was cleared: the next text starts a line and a frame.
  void DisplayCleared();
  // The display's clear was undone before new text came: it goes on as before the clear.
  void DisplayClearUndone();

  // The capture log: from StartLog on, every chunk read on either port, everything sent and every
  // line event is appended with its read time and port, by a writer thread. StartLog returns a
  // message naming the file when it cannot be created (a log already running is ended first); a
  // later write error is reported once through the output. StopLog writes what is queued.
  // With `withShownText` the text shown goes into the log too, as it is shown.
  std::string StartLog(const std::string& path, const CaptureLogWriterOptions& options = {},
                       bool withShownText = false);
  void StopLog();
  bool Logging() const { return log_ != nullptr; }
  CaptureLogStatus LogStatus() const;

  // A capture log played back: its chunks go the way live data goes (renderings, decoding,
  // stamps, frames) with the log's times and clock; nothing is sent and no slave answers.
  void BeginReplay(const ClockBase& logClock);
  void EndReplay();

  // The simulation's command table and the prepared commands 1 to 30.
  SimulationTable& SimTable() { return simTable_; }
  const SimulationTable& SimTable() const { return simTable_; }
  AsciiCommandTable& Commands() { return commands_; }
  // The role changed: port A's CTS trigger follows it (the master learns the slave's SYNC from
  // CTS).
  void RoleChanged();
  // Master: sends the query of command `code`, shown as "<COMM " + codeText + "> ". False when
  // port A refused it (reported). Its end is reported with ExchangeEnded.
  bool SendQuery(uint8_t code, const Bytes& codeText);
  const SessionCounters& Counters() const { return counters_; }

  // The one transmit routine of port A: timed RS-485 around it. Throws ComPortError when the
  // port refuses.
  void SendOnPortA(const Bytes& bytes);
  // Sends bytes as typed (the line end of the options added), echoed after a line break; false,
  // with a message, when refused.
  bool SendTyped(const Bytes& bytes);
  // Decodes the escape syntax first; a malformed string is reported and nothing is sent.
  bool SendEscaped(const std::string& escaped);
  // Command 1 to 30 of the prepared commands; other numbers do nothing.
  bool SendCommand(int number);
  // Sends a whole file on port A in chunks that wait for room in the output ring, with progress
  // and its end reported. False, with a message, when it cannot start.
  bool StartFileSend(const std::string& path);
  // Ends a file send quietly.
  void StopFileSend();
  bool FileSending() const;
  // A file send is under way: says so and returns true.
  bool RefuseWhileFileSends();

 private:
  friend class FileSend;
  class DecoderOutput;
  class SlaveSteps;
  class SyncDelay;
  // The options of one entry point, asked for once; nested calls share them.
  class Snapshot;

  void CreatePorts(const std::string& settingsDir);
  void OpenPortA();
  void OpenPortB();
  // Where shown text comes from; a change of source starts a line when stamps or frames are on.
  enum class TextSource { None, A, B, Echo };

  void DataAvailable(SessionPort port, uint16_t count);
  // Framing by silence: a port's frame in progress is decided when its silence is due.
  void WatchSilence(SessionPort port);
  void SilenceDue(SessionPort port);
  // Framed by silence, a frame goes on port A only after the silence: sent at once when the line
  // has rested, otherwise queued for the timer. Throws when port A cannot send.
  void SendAfterSilence(const Bytes& bytes);
  void SilenceSendDue();
  void SendFrame(const Bytes& bytes);
  int64_t SilenceWaitNs() const;
  CharacterFrame LineFrame(SessionPort port) const;
  // Shows or decodes a block whose parts were read as `marks` say.
  void ShowRead(SessionPort port, const Bytes& bytes, const ReadMarks& marks);
  // Shows one block of raw data read (or sent) at readNs.
  void ShowBlock(TextSource source, const Bytes& bytes, int64_t readNs);
  // Starts a line before a block when its port was idle for the gap, or another source wrote last.
  void StartBlock(TextSource source, std::size_t size, int64_t readNs);
  IdleGapFramer& Framer(SessionPort port, const IdleGap& gap);
  void ForgetFrames();
  void Log(SessionPort port, CaptureKind kind, std::string_view payload, int64_t timeNs,
           CaptureLineEvent event = CaptureLineEvent::None, uint8_t detail = 0);
  void TimerFired(SessionPort port, uint16_t handle);
  void ModemStatusChanged();
  void LineErrorSeen(SessionPort port, uint16_t error, bool lineBreak);
  void Lost(SessionPort port, const std::string& reason);
  void Back(SessionPort port, const std::string& path);
  void Rs485TimerExpired();
  void SyncTimerExpired();
  bool SendWithEcho(const Bytes& bytes);
  void ProtocolSeen(ProtocolEvent event);
  void PacketFramed(SessionPort port, const DecodedPacket& packet);
  void Report(const std::optional<ExchangeEnd>& end);
  // Every entry point ends here: gathered text goes out, a failed send is reported.
  void Flush();
  const SessionOptions& Options() const { return *options_; }
  DecoderOptions DecodingOptions(SessionPort port) const;

  SessionHost& host_;
  SessionOutput& output_;
  std::optional<SessionOptions> options_;
  std::unique_ptr<ComPort> portA_;
  std::unique_ptr<ComPort> portB_;
  Bytes rxPackA_;
  Bytes rxPackB_;
  ReadMarks rxMarksA_;
  ReadMarks rxMarksB_;

  ProtocolDefinition definition_;
  std::unique_ptr<SessionText> text_;
  std::unique_ptr<DecoderOutput> outputA_;
  std::unique_ptr<DecoderOutput> outputB_;
  std::unique_ptr<PacketDecoder> decoderA_;
  std::unique_ptr<PacketDecoder> decoderB_;

  SimulationTable simTable_;
  AsciiCommandTable commands_;
  std::unique_ptr<SyncDelay> syncDelay_;
  std::unique_ptr<ProtocolSimulation> simulation_;
  std::unique_ptr<SlaveSteps> slaveSteps_;
  std::unique_ptr<SessionTimer> rs485Timer_;
  std::unique_ptr<SessionTimer> silenceTimerA_;
  std::unique_ptr<SessionTimer> silenceTimerB_;
  std::unique_ptr<SessionTimer> silenceSendTimer_;
  std::deque<Bytes> sendsAfterSilence_;
  // Steady clock: when port A's line last carried a byte, received or sent.
  int64_t lineBusyUntilNsA_ = 0;
  // How long after its last read a port's bytes were decoded: the reader may not have delivered
  // what followed while the loop thread was behind, so a silence counts from then.
  int64_t silenceLagNsA_ = 0;
  int64_t silenceLagNsB_ = 0;
  std::unique_ptr<FileSend> fileSend_;
  MasterExchange exchange_;
  SessionCounters counters_;

  ClockBase clock_ = ClockBase::Now();
  struct PortFramer {
    IdleGap gap;
    CharacterFrame frame;
    std::optional<IdleGapFramer> framer;
  };
  PortFramer framerA_;
  PortFramer framerB_;
  TextSource lastSource_ = TextSource::None;
  TextSource sourceBeforeClear_ = TextSource::None;
  std::unique_ptr<CaptureLogWriter> log_;
  std::optional<ClockBase> liveClock_;  // while a log plays back
  // What the ports read while a log played back, shown after it.
  struct HeldRead {
    SessionPort port;
    Bytes bytes;
    int64_t readNs;
  };
  std::vector<HeldRead> heldWhileReplaying_;

  bool spy_ = false;
  std::string rs485NoticeShownFor_;
  bool rtsRefusalSaid_ = false;
  uint16_t modemTriggerA_ = 0;
  std::optional<bool> ctsSeenA_;  // CTS of port A as last reported
  uint16_t lineTriggerA_ = 0;
  uint16_t lineTriggerB_ = 0;
};

}  // namespace ferrotap
