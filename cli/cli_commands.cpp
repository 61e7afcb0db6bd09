// SPDX-License-Identifier: MIT
#include "cli/cli_commands.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>

#include "cli/cli_output.h"
#include "cli/cli_setup.h"
#include "core/program_folders.h"
#include "serial/com_port.h"
#include "serial/com_port_error.h"
#include "serial/notification_loop.h"
#include "serial/port_list.h"
#include "serial/rs485_timing.h"
#include "session/demo_device.h"
#include "session/log_replay.h"
#include "session/loop_host.h"
#include "session/session.h"
#include "simulation/escape.h"

namespace ferrotap {
namespace {

using namespace std::chrono_literals;

constexpr int kFailed = 1;
constexpr int kUsageError = 2;
constexpr auto kTickMs = 55ms;
constexpr auto kShowReadBound = 2s;
// The most one data notification tells: what its count can hold.
constexpr uint16_t kMostNotified = 65535;

volatile sig_atomic_t gStop = 0;

extern "C" void OnStopSignal(int) {
  gStop = 1;
}

// SIGINT and SIGTERM end a run in order (summary, ports closed); a reader that went away ends the
// output quietly.
void CatchStopSignals() {
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

// The settings folder the window of the same installation uses, for ports.map.
std::string SettingsDir() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return ChooseProgramFolders(error ? std::string(".") : self.parent_path().string(),
                              CurrentUserEnvironment(), FERROTAP_SYSTEM_BINDIR)
      .settings;
}

int ListPorts() {
  const std::vector<PortListing> ports = ListSerialPorts(SettingsDir());
  if (ports.empty()) std::fputs("ferrotap-cli: no serial device found\n", stderr);
  for (const PortListing& port : ports) std::printf("%s\n", PortListingText(port).c_str());
  return 0;
}

// One session on the command line's ports, its loop run on this thread.
class CliRun {
 public:
  CliRun(const CliOptions& options, const CliSetup& setup, CliOutput& output)
      : options_(options),
        setup_(setup),
        output_(output),
        host_(loop_, SessionOptionsOf(options, setup)),
        session_(host_, output, setup.settingsDir) {
    // No window to keep responsive: a busy line is shown in fewer, larger blocks.
    session_.PortA().SetMostNotified(kMostNotified);
    session_.PortB().SetMostNotified(kMostNotified);
  }

  ~CliRun() {
    session_.ClosePorts();
    output_.Flush();
  }

  int Open() {
    try {
      ApplySetup(session_, setup_);
    } catch (const ComPortError&) {
      return kFailed;  // the session said which port and why
    } catch (const std::exception& error) {
      output_.Error(error.what());
      return kUsageError;
    }
    return output_.OpenFailed() ? kFailed : 0;
  }

  // Runs the loop until done() holds, a stop signal came or the bound passed; true when done.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    const auto end = std::chrono::steady_clock::now() + bound;
    bool finished = false;
    while (!finished && gStop == 0 && std::chrono::steady_clock::now() < end) {
      finished = loop_.ProcessUntil(
          [&] {
            output_.Flush(true);
            return gStop != 0 || done();
          },
          std::min<std::chrono::milliseconds>(
              1h, std::chrono::duration_cast<std::chrono::milliseconds>(
                      end - std::chrono::steady_clock::now())));
      finished = finished && done();
    }
    output_.Flush();
    return finished;
  }

  // Writes the capture log asked for; false, said, when it cannot be made.
  bool StartLog() {
    if (options_.logFile.empty()) return true;
    const std::string problem = session_.StartLog(options_.logFile, {}, options_.logText);
    if (!problem.empty()) output_.Error(problem);
    return problem.empty();
  }

  // A capture log shown again: no port is opened, the line settings only time the idle gap.
  int Replay() {
    try {
      session_.ApplyProtocolDefinition(setup_.pdt);
      session_.ConfigurePorts(setup_.cps);
    } catch (const std::exception& error) {
      output_.Error(error.what());
      return kUsageError;
    }
    const CaptureLogStop stop = ReplayCaptureLog(session_, options_.logFile);
    output_.Flush();
    if (stop.message.empty()) return 0;
    output_.Error(stop.message);
    return kFailed;
  }

  int Monitor() {
    if (!StartLog()) return kFailed;
    std::string ports = session_.PortA().DevicePath();
    if (options_.spy) ports += " and " + session_.PortB().DevicePath();
    output_.Info((options_.command == CliCommand::Slave ? "slave on " : "monitoring ") + ports +
                 "; stop with Ctrl-C");
    RunUntil([] { return false; }, std::chrono::hours(24 * 365 * 100));
    ShowWhatWasRead();
    session_.StopLog();
    return 0;
  }

  int Slave() {
    std::unique_ptr<DemoDevice> demo;
    if (options_.demo) demo = std::make_unique<DemoDevice>(session_, host_);
    Monitor();
    const SessionCounters& c = session_.Counters();
    std::printf("queries %llu, answers %llu, NAKs %llu, time-outs %llu\n",
                static_cast<unsigned long long>(c.queries),
                static_cast<unsigned long long>(c.answers),
                static_cast<unsigned long long>(c.naks),
                static_cast<unsigned long long>(c.timeouts));
    return 0;
  }

  int Master() {
    const std::vector<CliOutput::Exchange>& ends = output_.Exchanges();
    std::vector<CliOutput::Exchange> results;
    bool unfinished = false;
    for (const int code : options_.queries) {
      if (gStop != 0) break;
      std::size_t before = ends.size();
      session_.SendQuery(static_cast<uint8_t>(code), std::to_string(code));
      // The query abandons an exchange that never ended, reported before its own end.
      if (unfinished && ends.size() > before) ++before;
      unfinished = !RunUntil([&] { return ends.size() > before; }, ExchangeBound());
      results.push_back(unfinished ? CliOutput::Exchange{code, false, NoEndText()} : ends[before]);
    }
    int failed = 0;
    for (const CliOutput::Exchange& result : results) {
      if (result.completed) continue;
      ++failed;
      output_.Error("command " + std::to_string(result.code) + " failed: " + result.why);
    }
    const int missing = static_cast<int>(options_.queries.size() - results.size());
    std::printf("exchanges completed %d of %zu\n", static_cast<int>(results.size()) - failed,
                options_.queries.size());
    if (missing > 0) output_.Error(std::to_string(missing) + " queries not sent: interrupted");
    return failed == 0 && missing == 0 ? 0 : kFailed;
  }

  int Send() {
    bool started = false;
    if (options_.text) {
      started = session_.SendEscaped(*options_.text);
    } else if (options_.asciiCommand) {
      started = session_.SendCommand(*options_.asciiCommand);
    } else {
      started = session_.StartFileSend(options_.file) &&
                RunUntil([&] { return output_.FileEnded(); }, std::chrono::hours(24 * 365));
      if (!output_.FileEnded()) session_.StopFileSend();
      started = started && output_.FileEnd() == FileSendEnd::Done;
    }
    if (!started) return kFailed;
    ComPort& port = session_.PortA();
    const bool drained = RunUntil([&] { return port.AllSent(); }, DrainBound());
    if (!drained) output_.Error("not all bytes left " + port.DevicePath() + " (flow control?)");
    return drained ? 0 : kFailed;
  }

 private:
  // Every protocol time-out the exchange can meet, its SYNC delay and a margin: the session ends
  // an exchange by itself well before.
  std::chrono::milliseconds ExchangeBound() const {
    const ProtocolDefinition& d = session_.Definition();
    return kTickMs * (d.packTimeoutTicks + d.ackNakTimeoutTicks + d.syncTimeoutTicks) +
           std::chrono::milliseconds(setup_.pdt.syncDelay) + 2s;
  }
  std::string NoEndText() const {
    return "no end within " + std::to_string(ExchangeBound().count()) + " ms";
  }
  // The bytes the ports had read when the run was stopped are still shown (and logged): the
  // reader fills a port's ring ahead of the output. What arrives after the stop is not waited for.
  void ShowWhatWasRead() {
    const auto waiting = [](ComPort& port) {
      return port.PortState() == ComPort::State::Open ? port.BytesAvailable() : 0;
    };
    const uint64_t upTo = output_.BytesReceived() + waiting(session_.PortA()) +
                          (options_.spy ? waiting(session_.PortB()) : 0);
    loop_.ProcessUntil([&] { return output_.BytesReceived() >= upTo; }, kShowReadBound);
    output_.Flush();
  }

  std::chrono::milliseconds DrainBound() {
    const int64_t us = LineTimeUs(session_.PortA().OutputPending(), session_.PortA().Line());
    return std::chrono::milliseconds(us / 1000) * 2 + 3s;
  }

  const CliOptions& options_;
  const CliSetup& setup_;
  CliOutput& output_;
  NotificationLoop loop_;
  LoopHost host_;
  Session session_;
};

CliOutput::Style StyleOf(const CliOptions& options) {
  CliOutput::Style style;
  style.json = options.json;
  style.decode = options.decode || options.command == CliCommand::Master ||
                 options.command == CliCommand::Slave;
  style.colors = !options.json && isatty(STDOUT_FILENO) == 1;
  style.progress = isatty(STDERR_FILENO) == 1;
  return style;
}

// Bad escapes and empty commands are the command line's fault: found before a port opens.
std::string SendProblem(const CliOptions& options, const CliSetup& setup) {
  if (options.text) {
    const EscapedStringResult decoded = DecodeEscapedString(*options.text);
    if (!decoded.ok()) return "option '--text': malformed escape: " + decoded.malformed;
  }
  if (options.asciiCommand &&
      (*setup.commands)[static_cast<std::size_t>(*options.asciiCommand - 1)].empty()) {
    return "command " + std::to_string(*options.asciiCommand) + " is empty in " +
           options.astFile;
  }
  return {};
}

}  // namespace

int RunCli(const CliOptions& options) {
  if (options.command == CliCommand::Ports) return ListPorts();
  CatchStopSignals();

  CliOutput output(StyleOf(options));
  CliSetup setup;
  try {
    setup = LoadSetup(options, SettingsDir(), output);
  } catch (const SetupError& error) {
    output.Error(error.what());
    return kUsageError;
  }
  if (options.command == CliCommand::Send) {
    if (const std::string problem = SendProblem(options, setup); !problem.empty()) {
      output.Error(problem);
      return kUsageError;
    }
  }
  output.SetColors(setup.cps.colors);
  CliRun run(options, setup, output);
  if (options.command == CliCommand::Replay) return run.Replay();
  if (const int status = run.Open(); status != 0) return status;
  switch (options.command) {
    case CliCommand::Monitor:
      return run.Monitor();
    case CliCommand::Slave:
      return run.Slave();
    case CliCommand::Master:
      return run.Master();
    case CliCommand::Send:
      return run.Send();
    case CliCommand::Ports:
    case CliCommand::Replay:
      break;
  }
  return 0;
}

}  // namespace ferrotap
