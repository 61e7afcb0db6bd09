// SPDX-License-Identifier: MIT
#include "session/file_send.h"

#include <algorithm>
#include <exception>

#include "serial/com_port.h"
#include "session/session.h"
#include "session/session_parts.h"
#include "simulation/file_chunks.h"

namespace ferrotap {
namespace {

// Longest run of chunks between two visits of the loop.
constexpr auto kSlice = std::chrono::milliseconds(15);
// Reporting progress at every round would cost more than the round itself on a fast line.
constexpr auto kProgressEvery = std::chrono::milliseconds(100);
// Looks again now and then, should a wake never come (port closed and reopened meanwhile).
constexpr int kRetryMs = 50;

}  // namespace

FileSend::FileSend(Session& session) : session_(session) {
  retry_ = session.host_.NewTimer("FileRetry", [this] { Pump(); });
}

FileSend::~FileSend() = default;

bool FileSend::Start(const std::string& path) {
  try {
    file_ = std::make_unique<FileChunks>(path);
  } catch (const std::exception& error) {
    session_.output_.Error(error.what());
    return false;
  }
  ++sendNumber_;
  sent_ = 0;
  pending_.clear();
  ShowProgress();
  Pump();
  return true;
}

uint64_t FileSend::Total() const {
  return std::max(file_->Size(), sent_);
}

void FileSend::Pump() {
  if (!file_) return;
  Session::Snapshot snapshot(session_);
  ComPort& port = session_.PortA();
  const auto sliceEnd = std::chrono::steady_clock::now() + kSlice;
  try {
    for (;;) {
      if (pending_.empty()) {
        pending_ = file_->Next();
        if (pending_.empty()) {
          EndAtFileEnd();
          return;
        }
      }
      if (std::chrono::steady_clock::now() >= sliceEnd) {
        session_.host_.Post([self = std::weak_ptr<FileSend*>(self_), number = sendNumber_] {
          if (const auto send = self.lock(); send && (*send)->sendNumber_ == number) {
            (*send)->Pump();
          }
        });
        break;
      }
      if (port.WhenOutputFree(pending_.size(), RoomWake())) {
        retry_->Start(kRetryMs);
        break;
      }
      // Further whole chunks that fit go with this one: one hand-over to the port and one
      // insertion of echo for the lot, in the same order and with the same text.
      Bytes batch = std::move(pending_);
      pending_.clear();
      while (batch.size() + FileChunks::kChunkSize <= port.OutputFree()) {
        Bytes next = file_->Next();
        if (next.empty()) break;
        batch += next;
      }
      session_.SendOnPortA(batch);
      sent_ += batch.size();
      // The echo shows only what was queued.
      if (session_.Options().echo) session_.ShowEcho(batch);
    }
  } catch (const std::exception& error) {
    End(FileSendEnd::Failed);
    session_.output_.Error(error.what());
    return;
  }
  if (std::chrono::steady_clock::now() - lastProgress_ >= kProgressEvery) ShowProgress();
}

// A file that shrank while it was sent ends short of what its progress announced.
void FileSend::EndAtFileEnd() {
  const uint64_t announced = file_->Size();
  if (sent_ >= announced) {
    End(FileSendEnd::Done);
    return;
  }
  End(FileSendEnd::Failed);
  session_.output_.Error("The file became shorter while it was sent: " + std::to_string(sent_) +
                         " of " + std::to_string(announced) + " bytes were sent.");
}

// The wake runs on the port's writer thread: it only posts the next round to the loop thread,
// where a send that has ended or been replaced meanwhile ignores it.
std::function<void()> FileSend::RoomWake() {
  return [&host = session_.host_, self = std::weak_ptr<FileSend*>(self_), number = sendNumber_] {
    host.Post([self, number] {
      if (const auto send = self.lock(); send && (*send)->sendNumber_ == number) (*send)->Pump();
    });
  };
}

void FileSend::ShowProgress() {
  lastProgress_ = std::chrono::steady_clock::now();
  session_.output_.FileProgress(sent_, Total());
}

void FileSend::End(FileSendEnd how) {
  if (!file_) return;
  const uint64_t total = Total();
  file_.reset();
  pending_.clear();
  retry_->Stop();
  session_.output_.FileSendEnded(how, sent_, total);
}

void FileSend::PortGoes(FileSendEnd how) {
  if (!file_) return;
  const uint64_t total = Total();
  End(how);
  session_.output_.Error("The file send stopped after " + std::to_string(sent_) + " of " +
                         std::to_string(total) + " bytes: the port was " +
                         (how == FileSendEnd::PortLost ? "lost." : "closed."));
}

}  // namespace ferrotap
