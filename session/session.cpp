// SPDX-License-Identifier: MIT
#include "session/session.h"

#include <algorithm>
#include <exception>

#include "serial/com_port.h"
#include "session/file_send.h"
#include "session/session_parts.h"
#include "simulation/protocol_simulation.h"

namespace ferrotap {
namespace {

constexpr uint16_t kLineStatusAll = 15;  // overrun, parity, framing and break

}  // namespace

bool Session::DecoderOutput::Transmit(const Bytes& bytes) {
  // A log played back answers nobody: its answers are in the log.
  if (session_.liveClock_) return false;
  try {
    session_.SendAfterSilence(bytes);
    ++sent_;
    return true;
  } catch (const std::exception& error) {
    if (sendError_.empty()) sendError_ = error.what();
    return false;
  }
}

ComPort& Session::DecoderOutput::TimerPort() const {
  return port_ == SessionPort::A ? *session_.portA_ : *session_.portB_;
}

// A timer of a port that is not open has nothing to time: the handles die with the open.
void Session::DecoderOutput::ArmTimer(uint16_t trigger, int ticks) {
  if (TimerPort().PortState() != ComPort::State::Open) return;
  TimerPort().ArmTimerTrigger(trigger, static_cast<uint32_t>(ticks), true);
}

void Session::DecoderOutput::DisarmTimer(uint16_t trigger) {
  if (TimerPort().PortState() != ComPort::State::Open) return;
  TimerPort().ArmTimerTrigger(trigger, 0, false);
}

// A SYNC by RTS on a port that cannot change RTS would only pretend: said once per open.
bool Session::DecoderOutput::SetRtsA(bool on) {
  if (session_.SetRtsA(on)) return true;
  if (!session_.rtsRefusalSaid_) {
    session_.rtsRefusalSaid_ = true;
    session_.output_.Error("Port A (" + session_.portA_->DevicePath() +
                           ") does not carry RTS: the SYNC by RTS cannot be signalled.");
  }
  return false;
}

std::string Session::DecoderOutput::TakeSendError() {
  std::string error;
  error.swap(sendError_);
  return error;
}

void Session::SlaveSteps::BeforePacketLine(int cmd) {
  ++session_.counters_.queries;
  session_.simulation_->BeforePacketLine(cmd);
}

void Session::SlaveSteps::AfterHandShakeAnswer(int cmd, bool acknowledged) {
  // The decoder answered the query with NAK: its checksum was bad.
  if (!acknowledged && session_.Options().protocol.useHandShake) ++session_.counters_.naks;
  const uint64_t before = session_.outputA_->Sent();
  session_.simulation_->AfterHandShakeAnswer(cmd, acknowledged);
  if (session_.outputA_->Sent() > before) ++session_.counters_.answers;
}

void Session::SlaveSteps::StartSyncDelay() {
  session_.simulation_->StartSyncDelay();
}

Session::Session(SessionHost& host, SessionOutput& output, const std::string& settingsDir)
    : host_(host), output_(output), text_(std::make_unique<SessionText>(output)) {
  outputA_ = std::make_unique<DecoderOutput>(*this, SessionPort::A);
  outputB_ = std::make_unique<DecoderOutput>(*this, SessionPort::B);
  decoderA_ = std::make_unique<PacketDecoder>(PacketDecoder::Port::A, *outputA_);
  decoderB_ = std::make_unique<PacketDecoder>(PacketDecoder::Port::B, *outputB_);
  syncDelay_ = std::make_unique<SyncDelay>(host.NewTimer("Timer1", [this] { SyncTimerExpired(); }));
  simulation_ =
      std::make_unique<ProtocolSimulation>(*decoderA_, *outputA_, simTable_, *syncDelay_, [this] {
        const SessionOptions& o = Options();
        SimulationOptions options;
        options.definition = definition_;
        options.protocol = o.protocol;
        options.echoFormat = o.formatB;
        options.lineBreak = o.lineBreak;
        options.echo = o.echo;
        return options;
      });
  slaveSteps_ = std::make_unique<SlaveSteps>(*this);
  decoderA_->SetSlaveHooks(slaveSteps_.get());
  rs485Timer_ = host.NewTimer("TIMER485", [this] { Rs485TimerExpired(); });
  silenceTimerA_ = host.NewTimer("SilenceA", [this] { SilenceDue(SessionPort::A); });
  silenceTimerB_ = host.NewTimer("SilenceB", [this] { SilenceDue(SessionPort::B); });
  silenceSendTimer_ = host.NewTimer("SilenceSend", [this] { SilenceSendDue(); });
  fileSend_ = std::make_unique<FileSend>(*this);
  CreatePorts(settingsDir);
}

Session::~Session() {
  decoderA_->SetSlaveHooks(nullptr);
}

void Session::CreatePorts(const std::string& settingsDir) {
  portA_ = std::make_unique<ComPort>(host_.Channels(), settingsDir);
  portA_->SetAutoOpen(false);
  portA_->SetPromptForPort(false);
  portA_->SetBufferFull(3686);
  portA_->SetBufferResume(409);
  portB_ = std::make_unique<ComPort>(host_.Channels(), settingsDir);
  for (const SessionPort port : {SessionPort::A, SessionPort::B}) {
    ComPort& p = port == SessionPort::A ? *portA_ : *portB_;
    p.OnTriggerAvail = [this, port](ComPort&, uint16_t count) { DataAvailable(port, count); };
    p.OnTriggerLineError = [this, port](ComPort&, uint16_t error, bool lineBreak) {
      LineErrorSeen(port, error, lineBreak);
    };
    p.OnTriggerTimer = [this, port](ComPort&, uint16_t handle) { TimerFired(port, handle); };
    p.OnDeviceLost = [this, port](ComPort&, const std::string& reason) { Lost(port, reason); };
    p.OnReconnected = [this, port](ComPort&, const std::string& path) { Back(port, path); };
  }
  portA_->OnTriggerModemStatus = [this](ComPort&) { ModemStatusChanged(); };
}

// All bytes of one notification are read before anything is shown, so that one notification
// becomes one insertion.
void Session::DataAvailable(SessionPort port, uint16_t count) {
  const bool a = port == SessionPort::A;
  Bytes& pack = a ? rxPackA_ : rxPackB_;
  ReadMarks& marks = a ? rxMarksA_ : rxMarksB_;
  marks.clear();
  pack = (a ? portA_ : portB_)->ReadString(count, &marks);
  output_.Received(port, pack, marks);
  if (marks.empty()) marks.push_back({0, SteadyNowNs()});
  if (a) lineBusyUntilNsA_ = std::max(lineBusyUntilNsA_, marks.back().steadyNs);
  Snapshot snapshot(*this);
  // Each device read is logged, stamped and framed at the time it returned; with neither stamps
  // nor frames on, one notification stays one insertion.
  const bool eachRead = Options().timeStamps != TimeStampMode::None || Options().idleGap;
  for (std::size_t i = 0; i < marks.size(); ++i) {
    const std::size_t from = std::min(marks[i].offset, pack.size());
    const std::size_t to = i + 1 < marks.size() ? std::min(marks[i + 1].offset, pack.size())
                                                : pack.size();
    const std::string_view read = std::string_view(pack).substr(from, to > from ? to - from : 0);
    Log(port, CaptureKind::Received, read, marks[i].steadyNs);
    if (liveClock_) {
      heldWhileReplaying_.push_back({port, Bytes(read), marks[i].steadyNs});
    } else if (eachRead) {
      ShowReceived(port, Bytes(read), marks[i].steadyNs);
    }
  }
  if (!eachRead && !liveClock_) ShowRead(port, pack, marks);
}

void Session::ShowReceived(SessionPort port, const Bytes& bytes, int64_t readNs) {
  ShowRead(port, bytes, ReadMarks{ReadMark{0, readNs}});
}

void Session::ShowRead(SessionPort port, const Bytes& bytes, const ReadMarks& marks) {
  const bool a = port == SessionPort::A;
  const int64_t readNs = marks.back().steadyNs;
  Snapshot snapshot(*this);
  text_->SetReadTime(readNs);
  if (Options().decode) {
    (a ? decoderA_ : decoderB_)->Decode(bytes, definition_, DecodingOptions(port), marks);
    (a ? silenceLagNsA_ : silenceLagNsB_) = std::max<int64_t>(0, SteadyNowNs() - readNs);
    Flush();
    WatchSilence(port);
  } else {
    ShowBlock(a ? TextSource::A : TextSource::B, bytes, readNs);
  }
}

void Session::ShowSent(const Bytes& bytes, int64_t sentNs) {
  Snapshot snapshot(*this);
  if (!Options().echo) return;
  text_->SetReadTime(sentNs);
  ShowBlock(TextSource::Echo, bytes, sentNs);
}

void Session::WatchSilence(SessionPort port) {
  PacketDecoder& decoder = port == SessionPort::A ? *decoderA_ : *decoderB_;
  SessionTimer& timer = port == SessionPort::A ? *silenceTimerA_ : *silenceTimerB_;
  const std::optional<int64_t> due = decoder.SilenceDueNs();
  if (!due) {
    timer.Stop();
    return;
  }
  constexpr int64_t kNsPerMs = 1'000'000;
  const int64_t lag = port == SessionPort::A ? silenceLagNsA_ : silenceLagNsB_;
  const int64_t wait = *due + lag - SteadyNowNs();
  timer.Start(wait <= 0 ? 0 : static_cast<int>((wait + kNsPerMs - 1) / kNsPerMs));
}

// Bytes that wait to be read may continue the frame: their read stamps decide when they are
// read, not the time this timer came round. The silence is counted from when the loop got to the
// last read, not from the read: while the loop was behind, the reader may have held what followed.
void Session::SilenceDue(SessionPort port) {
  const bool a = port == SessionPort::A;
  ComPort& comPort = a ? *portA_ : *portB_;
  if (comPort.PortState() == ComPort::State::Open && comPort.BytesAvailable() > 0) return;
  Snapshot snapshot(*this);
  if (!Options().decode) return;
  const int64_t lag = a ? silenceLagNsA_ : silenceLagNsB_;
  (a ? decoderA_ : decoderB_)
      ->SilenceElapsed(SteadyNowNs() - lag, definition_, DecodingOptions(port));
  Flush();
  WatchSilence(port);
}

DecoderOptions Session::DecodingOptions(SessionPort port) const {
  const SessionOptions& o = Options();
  DecoderOptions options;
  options.protocol = o.protocol;
  options.format = port == SessionPort::A ? o.formatA : o.formatB;
  options.lineBreak = o.lineBreak;
  options.echo = o.echo;
  options.simulateSlave = o.role == SimulationRole::Slave && !liveClock_;
  options.line = LineFrame(port);
  return options;
}

CharacterFrame Session::LineFrame(SessionPort port) const {
  const LineSettings line = (port == SessionPort::A ? portA_ : portB_)->Line();
  return {line.baud, line.dataBits, line.parity != pNone,
          line.stopBits == StopBitsMode::OneAndHalf ? StopBits::OneAndHalf
          : line.stopBits == StopBitsMode::Two      ? StopBits::Two
                                                    : StopBits::One};
}

// Framed by silence, what the simulation sends is a frame only with a silence before it: after
// a received byte or a frame of its own it waits out the gap (a few character times) on a timer,
// not on the loop thread, and it counts its own frame's time on the line for the next one.
int64_t Session::SilenceWaitNs() const {
  const ProtocolOptions& o = Options().protocol;
  if (o.framing != Framing::BySilence) return 0;
  const int64_t gapNs = CharacterTimeNs(LineFrame(SessionPort::A), int64_t{o.silenceTenths} * 100);
  return std::max<int64_t>(0, lineBusyUntilNsA_ + gapNs - SteadyNowNs());
}

void Session::SendAfterSilence(const Bytes& bytes) {
  portA_->CheckCanSend();
  if (sendsAfterSilence_.empty() && SilenceWaitNs() == 0) {
    SendFrame(bytes);
    return;
  }
  sendsAfterSilence_.push_back(bytes);
  if (sendsAfterSilence_.size() == 1) SilenceSendDue();
}

void Session::SendFrame(const Bytes& bytes) {
  SendOnPortA(bytes);
  if (Options().protocol.framing != Framing::BySilence) return;
  lineBusyUntilNsA_ = SteadyNowNs() + CharacterTimeNs(LineFrame(SessionPort::A),
                                                      static_cast<int64_t>(bytes.size()) * 1000);
}

void Session::SilenceSendDue() {
  constexpr int64_t kNsPerMs = 1'000'000;
  while (!sendsAfterSilence_.empty()) {
    if (const int64_t wait = SilenceWaitNs(); wait > 0) {
      silenceSendTimer_->Start(static_cast<int>((wait + kNsPerMs - 1) / kNsPerMs));
      return;
    }
    const Bytes bytes = std::move(sendsAfterSilence_.front());
    sendsAfterSilence_.pop_front();
    try {
      SendFrame(bytes);
    } catch (const std::exception& error) {
      sendsAfterSilence_.clear();
      output_.Error(error.what());
    }
  }
}

void Session::ShowPortA(const Bytes& bytes) {
  ShowBlock(TextSource::A, bytes, SteadyNowNs());
}

void Session::ShowEcho(const Bytes& bytes) {
  ShowBlock(TextSource::Echo, bytes, SteadyNowNs());
}

void Session::ShowBlock(TextSource source, const Bytes& bytes, int64_t readNs) {
  Snapshot snapshot(*this);
  StartBlock(source, bytes.size(), readNs);
  if (source == TextSource::A) {
    text_->Show(ColorRole::PortAData, RenderBytes(Options().formatA, bytes));
    return;
  }
  output_.EchoComing();
  if (bytes.empty()) {
    text_->ShowSystemText("[Empty pack]");
  } else {
    text_->Show(ColorRole::PortBData, RenderBytes(Options().formatB, bytes));
  }
  text_->SelectOutputColor(ColorRole::PortAData);
}

void Session::StartBlock(TextSource source, std::size_t size, int64_t readNs) {
  const SessionOptions& o = Options();
  if (!o.idleGap && o.timeStamps == TimeStampMode::None) return;
  bool newLine = lastSource_ != TextSource::None && lastSource_ != source;
  lastSource_ = source;
  if (o.idleGap && source != TextSource::Echo) {
    const SessionPort port = source == TextSource::A ? SessionPort::A : SessionPort::B;
    newLine = Framer(port, *o.idleGap).StartsFrame(readNs, size) || newLine;
  }
  if (newLine) {
    text_->BreakLine(source == TextSource::A ? ColorRole::PortAData : ColorRole::PortBData,
                     o.lineBreak);
  }
}

// A framer per port, made again when the gap or the port's character frame changes.
IdleGapFramer& Session::Framer(SessionPort port, const IdleGap& gap) {
  PortFramer& f = port == SessionPort::A ? framerA_ : framerB_;
  const LineSettings line = (port == SessionPort::A ? portA_ : portB_)->Line();
  CharacterFrame frame;
  frame.baud = line.baud;
  frame.dataBits = line.dataBits;
  frame.parity = line.parity != pNone;
  frame.stopBits = line.stopBits == StopBitsMode::One          ? StopBits::One
                   : line.stopBits == StopBitsMode::OneAndHalf ? StopBits::OneAndHalf
                                                                : StopBits::Two;
  if (!f.framer || !(f.gap == gap) || !(f.frame == frame)) {
    f.gap = gap;
    f.frame = frame;
    f.framer.emplace(gap, frame);
  }
  return *f.framer;
}

void Session::DisplayCleared() {
  sourceBeforeClear_ = lastSource_;
  text_->Cleared();
  ForgetFrames();
}

void Session::DisplayClearUndone() {
  text_->ClearUndone();
  lastSource_ = sourceBeforeClear_;
}

void Session::ForgetFrames() {
  lastSource_ = TextSource::None;
  framerA_.framer.reset();
  framerB_.framer.reset();
}

void Session::TimerFired(SessionPort port, uint16_t handle) {
  PacketDecoder& decoder = port == SessionPort::A ? *decoderA_ : *decoderB_;
  const bool pack = handle == decoder.State().packTrigger;
  const bool handShake = port == SessionPort::A && handle == decoder.HandShakeTrigger();
  if (!pack && !handShake) return;
  Snapshot snapshot(*this);
  if (pack) {
    decoder.PackTimedOut(Options().lineBreak);
  } else {
    decoder.HandShakeTimedOut(Options().lineBreak);
  }
  Flush();
}

// With the SYNC signalled on RTS/CTS, every change of port A's modem lines reports CTS.
void Session::ModemStatusChanged() {
  Snapshot snapshot(*this);
  const ProtocolOptions& o = Options().protocol;
  const bool syncOnCts = o.useHandShake && o.syncType == SyncType::RtsCts;
  // CTS is read once: each reading refreshes the port's modem status. In the log's modem status
  // byte CTS is 0x10. Each modem trigger of the port (the lamps have one too) tells of the same
  // change: it is reported once.
  const bool cts = portA_->CTS();
  if (ctsSeenA_ == cts) return;
  ctsSeenA_ = cts;
  if (!syncOnCts && !log_) return;
  Log(SessionPort::A, CaptureKind::LineEvent, {}, SteadyNowNs(), CaptureLineEvent::ModemChange,
      cts ? 0x10 : 0);
  if (!syncOnCts) return;
  if (cts) {
    text_->Show(ColorRole::PortAHandShake, "CTS On as SYN" + Options().lineBreak);
    // Stopping a timer trigger needs no length.
    portA_->ArmTimerTrigger(decoderA_->HandShakeTrigger(), 0, false);
    Report(exchange_.SyncOnCts());
  } else {
    text_->Show(ColorRole::PortAHandShake, "CTS Off as SYN" + Options().lineBreak);
  }
}

void Session::LineErrorSeen(SessionPort port, uint16_t error, bool lineBreak) {
  Log(port, CaptureKind::LineEvent, {}, SteadyNowNs(),
      lineBreak ? CaptureLineEvent::Break : CaptureLineEvent::Error, static_cast<uint8_t>(error));
  output_.LineError(port, error, lineBreak);
  if (port == SessionPort::A) {
    portA_->ArmStatusTrigger(lineTriggerA_, kLineStatusAll, true);
  } else {
    portB_->ArmStatusTrigger(lineTriggerB_, kLineStatusAll, true);
  }
}

void Session::Lost(SessionPort port, const std::string& reason) {
  Log(port, CaptureKind::LineEvent, reason, SteadyNowNs(), CaptureLineEvent::Loss);
  output_.PortLost(port, reason);
  if (port == SessionPort::A) {
    fileSend_->PortGoes(FileSendEnd::PortLost);
    Report(exchange_.Abandon("port A lost"));
  }
}

void Session::Back(SessionPort port, const std::string& path) {
  Log(port, CaptureKind::LineEvent, path, SteadyNowNs(), CaptureLineEvent::Return);
  output_.PortBack(port, path);
}

void Session::ProtocolSeen(ProtocolEvent event) {
  switch (event) {
    case ProtocolEvent::PackTimeout:
    case ProtocolEvent::AckNakTimeout:
    case ProtocolEvent::SyncTimeout:
      ++counters_.timeouts;
      break;
    case ProtocolEvent::Nak:
      if (Options().role == SimulationRole::Master) ++counters_.naks;
      break;
    case ProtocolEvent::Ack:
    case ProtocolEvent::Sync:
      break;
  }
  Report(exchange_.Seen(event));
}

void Session::PacketFramed(SessionPort port, const DecodedPacket& packet) {
  output_.PacketDecoded(port, packet);
  if (port != SessionPort::A) return;
  if (Options().role == SimulationRole::Master) ++counters_.answers;
  Report(exchange_.Framed(packet));
}

void Session::Report(const std::optional<ExchangeEnd>& end) {
  if (!end) return;
  ++(end->completed ? counters_.completed : counters_.failed);
  output_.ExchangeEnded(end->code, end->completed, end->why);
}

void Session::Flush() {
  text_->Flush();
  const std::string error = outputA_->TakeSendError();
  if (!error.empty()) output_.Error(error);
}

void Session::DecodingStarted() {
  decoderA_->State().ResetPacket();
}

void Session::ResetCurrentPacket(const Bytes& text) {
  Snapshot snapshot(*this);
  decoderA_->ResetCurrentPacket(text, Options().lineBreak);
  Flush();
}

}  // namespace ferrotap
