// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "serial/byte_ring.h"
#include "serial/notification_channel.h"
#include "serial/read_mark.h"
#include "serial/serial_device.h"
#include "serial/trigger_table.h"

namespace ferrotap {

struct Notification {
  enum class Kind { Data, Timer, Status, DeviceLost, DeviceBack };
  Kind kind = Kind::Data;
  uint16_t value = 0;  // byte count or trigger handle
  uint8_t statusKind = 0;
  std::string reason;  // why the device was lost
};

// The threads of one open port. The reader thread waits on the device with poll(), so received
// bytes wake it at once; it also makes a pass every 50 ms for modem lines, line errors and timer
// triggers, and delivers every notification through the channel, one at a time. What the UI
// thread did not take in time stays pending for the next pass. While a handler is slow, the
// read-ahead thread goes on reading the device into the input ring, so a fast line does not wait
// for the UI thread; reads of both threads take turns, in order. The writer thread empties the
// output ring into the device, holds it while the hand-shake says so, and drops RTS when the
// transmitter is empty.
class Dispatcher {
 public:
  using Sink = std::function<void(const Notification&)>;
  using Clock = std::chrono::steady_clock;
  static constexpr std::size_t kInputRingSize = 1024 * 1024;
  // A data notification tells at most this many bytes, so that a handler showing them keeps
  // the UI thread for a short while; what is beyond follows at once in the next one.
  static constexpr std::size_t kMostNotified = 16384;
  // What a notification's count can tell.
  static constexpr std::size_t kMostNotifiedLimit = 65535;

  // sink runs on the UI thread.
  Dispatcher(std::unique_ptr<SerialDevice> device, std::size_t outSize,
             NotificationChannel& channel, Sink sink, std::size_t inSize = kInputRingSize);
  ~Dispatcher();
  Dispatcher(const Dispatcher&) = delete;
  Dispatcher& operator=(const Dispatcher&) = delete;

  // Before Start: after a loss, asked every half second whether the device is there again.
  void SetReturnCheck(std::function<bool()> check) { returnCheck_ = std::move(check); }
  // Before Start: the most a data notification tells (1 to kMostNotifiedLimit). A front-end
  // that shows a block quickly takes larger ones: each one is a hand-over between threads.
  void SetMostNotified(std::size_t bytes) {
    mostNotified_ = std::clamp<std::size_t>(bytes, 1, kMostNotifiedLimit);
  }
  void Start();
  // Safe from inside a notification: the reader thread ends once the handler returns.
  void RequestStop();
  // Not from inside a notification of this dispatcher.
  void Join();

  SerialDevice& Device() { return *device_; }

  std::optional<uint8_t> ReadChar();
  // Up to count bytes in one go, with the read times of their parts when marks is not null.
  std::string ReadString(std::size_t count, ReadMarks* marks = nullptr);
  std::size_t BytesAvailable();
  void ClearInput();

  // False when the bytes do not fit in the free part of the output ring.
  bool WriteString(std::string_view bytes);
  std::size_t OutputPending();
  std::size_t OutputFree();
  // Registers wake to be called once, on the writer thread, when at least `bytes` of the output
  // ring are free, replacing an earlier request. False, with nothing registered, when they
  // already are.
  bool WhenOutputFree(std::size_t bytes, std::function<void()> wake);
  void ClearOutput();
  // Nothing waits in the output ring, the driver's queue or the transmitter: all has left.
  bool AllSent();
  // Waits for the transmit queues to drain, then about 18 characters at baud.
  void WaitTransmitEmpty(int32_t baud);

  // Sets RTS and cancels a drop that is still waiting.
  bool SetRts(bool on);
  // Drops RTS once everything queued so far has left the line (as the device tells) and not
  // before the line time of all bytes announced so far: lineTimeUs more from the later of now
  // and the end of the previous announcement.
  void DropRtsWhenSent(int64_t lineTimeUs);
  // The hand-shake halves the driver does not do: the dispatcher drops DTR or RTS when the input
  // ring reaches flow.bufferFull and raises it at flow.bufferResume, holds output while CTS or
  // DSR is low, and raises RTS around each transmission for RS-485.
  void SetFlowControl(const FlowSettings& flow, const DriverFlow& driver);

  // Reads the modem lines and returns the status byte (levels and change marks).
  uint8_t RefreshModemStatus();
  bool TakeRing();
  bool ReadLineBreak();
  uint16_t ReadLineError();

  uint16_t NewTimerTrigger();
  void ArmTimerTrigger(uint16_t handle, uint32_t ticks, bool activate);
  uint16_t NewStatusTrigger(uint8_t kind);
  void ArmStatusTrigger(uint16_t handle, uint16_t value, bool activate);
  void RemoveTrigger(uint16_t handle);
  TriggerTable SaveTriggers();
  void RestoreTriggers(const TriggerTable& table);

 private:
  void ReaderLoop();
  void ReadAheadLoop();
  void WriterLoop();
  void Pass();
  // Reads into the free part of the input ring until the device has nothing more or the ring is
  // full; on the read-ahead thread also until reading ahead ends, on the reader thread also
  // until a full notification waits to be told (the handler need not wait for more reads: the
  // read-ahead thread goes on while it runs).
  void ReadDevice(bool ahead);
  // Input lock held: the end of what the next data notification tells when the bytes up to the
  // running position readUpTo have been read.
  uint64_t NotifyUpTo(uint64_t readUpTo) const;
  // Input lock held: bytes in the ring that the next data notification would tell.
  bool DataPending() const;
  // Input lock held: the next data notification tells as much as one may, and not yet.
  bool FullNotificationWaits() const;
  void RefreshLineErrors();
  void RunStatusChecks();
  bool StatusCheck();
  bool TimerCheck();
  // Tells the bytes read up to the running position readUpTo.
  bool DataCheck(uint64_t readUpTo);
  // readLost: the reader's loss as it was before the data told in this pass was read.
  void ReportLoss(bool readLost);
  void ReportReturn();
  // Reads ahead while the handler runs once it is slow, or from the start with readAheadNow.
  bool Deliver(Notification notification, bool readAheadNow = false);
  // Wakes the reader thread; WakeReaders wakes the read-ahead thread too.
  void Wake();
  void WakeReaders();
  // Output lock held.
  bool OutputHeld();
  // Called with outputMutex_ held.
  bool CanWriteDirectly() const;
  void WriteSome(std::unique_lock<std::mutex>& lock);
  void TurnAround(std::unique_lock<std::mutex>& lock);
  // Input lock held.
  void HoldInputIfFull();
  void ResumeInputIfLow();
  void SetInputHandshake(bool on);

  std::unique_ptr<SerialDevice> device_;
  NotificationChannel& channel_;
  Sink sink_;
  int wakeFd_;
  int readAheadFd_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> readingAhead_{false};
  std::thread reader_;
  std::thread readAhead_;
  std::thread writer_;

  // Read lock: one device read and its commit at a time, so the bytes keep their order. Taken
  // before the input lock, never while holding it.
  std::mutex readMutex_;
  std::atomic<bool> readLost_{false};
  std::string readLostReason_;  // set before readLost_

  // Trigger lock: triggers, modem status, line errors.
  std::mutex triggerMutex_;
  TriggerTable triggers_;
  uint8_t modemStatus_ = 0;
  uint8_t lineErrors_ = 0;
  std::atomic<bool> outputSent_{false};

  // Input lock.
  std::mutex inputMutex_;
  ByteRing input_;
  ReadMarkQueue inputMarks_;
  uint64_t notifiedPut_ = 0;
  std::size_t mostNotified_ = kMostNotified;
  bool dtrAtFull_ = false;
  bool rtsAtFull_ = false;
  std::size_t fullLevel_ = 0;
  std::size_t resumeLevel_ = 0;
  bool inputHeld_ = false;

  // Output lock.
  std::mutex outputMutex_;
  std::condition_variable outputChanged_;
  ByteRing output_;
  bool writerBusy_ = false;
  bool flushing_ = false;
  bool holdOnCts_ = false;
  bool holdOnDsr_ = false;
  bool emulateRs485_ = false;
  bool rtsRaisedForSend_ = false;
  bool dropPending_ = false;
  Clock::time_point dropAt_{};
  Clock::time_point announcedLineEnd_{};
  std::size_t roomWanted_ = 0;
  std::function<void()> roomWake_;

  std::atomic<bool> writeLost_{false};
  std::string writeLostReason_;  // set before writeLost_
  // Reader thread only.
  bool lossReported_ = false;
  bool returnReported_ = false;
  int passesSinceCheck_ = 0;
  std::function<bool()> returnCheck_;
};

}  // namespace ferrotap
