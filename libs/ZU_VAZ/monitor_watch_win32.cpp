#include "monitor_watch_win32.h"

#include <atomic>
#include <optional>
#include <stdexcept>

#include "../wire/pipe_io_win32.h"

namespace kprt5::zu_vaz {

using wire::Frame;
using wire::FrameKind;
using wire::IoStatus;

struct MonitorWatch::Shared {
  WatchSetup setup;
  wire::UniqueHandle stop = wire::MakeManualEvent();
  wire::UniqueHandle firstAttempt = wire::MakeManualEvent();
  wire::UniqueHandle io = wire::MakeManualEvent();  // the watcher thread's transfers wait on it
  std::atomic<bool> stopCallDelivered{false};
  std::atomic<int> stopResult{0};
};

namespace {

constexpr DWORD kRetryMs = 100;        // between attempts to reach an absent handset
constexpr DWORD kConnectMs = 200;
constexpr DWORD kHandshakeMs = 1000;
constexpr DWORD kFirstAttemptWaitMs = 1500;

bool Stopping(const MonitorWatch::Shared& shared) { return WaitForSingleObject(shared.stop.Get(), 0) == WAIT_OBJECT_0; }

// Sends the stop call on the watcher's connection and waits for its reply, dropping late events.
void SendStopCall(MonitorWatch::Shared& shared, HANDLE pipe) {
  const Frame call = wire::MakeCall(wire::Function::HidStopMonitor, {});
  if (wire::WriteFrame(pipe, call, kHandshakeMs, nullptr, shared.io.Get()) != IoStatus::Done) return;
  const ULONGLONG deadline = GetTickCount64() + kHandshakeMs;
  while (GetTickCount64() < deadline) {
    Frame frame;
    if (wire::ReadFrame(pipe, frame, kHandshakeMs, nullptr, shared.io.Get()) != IoStatus::Done) return;
    if (frame.kind == FrameKind::Reply && frame.code == call.code) {
      shared.stopResult = static_cast<int>(frame.Arg(0));
      shared.stopCallDelivered = true;
      return;
    }
  }
}

// Delivers one event; keeps `present` as the last arrival (true) or removal (false) delivered.
void Deliver(const WatchSetup& setup, const Frame& frame, bool& present) {
  if (frame.kind != FrameKind::Event || setup.callback == nullptr) return;
  if (frame.code == static_cast<std::uint32_t>(wire::EventCode::DeviceMessage) && !setup.reportMode &&
      frame.argCount == 3) {
    const std::uint32_t n = frame.args[0];
    if (n >= setup.deviceMessages.size()) return;
    if (n == 0) present = true;
    if (n == 1) present = false;
    setup.callback(setup.deviceMessages[n], frame.args[1], frame.args[2]);
  } else if (frame.code == static_cast<std::uint32_t>(wire::EventCode::Report) && setup.reportMode &&
             frame.argCount == 2) {
    setup.callback(setup.reportMessage, frame.args[0], frame.args[1]);
  }
}

// One connection's life: greet, then deliver events until the stop or until the handset goes away.
void Session(MonitorWatch::Shared& shared, HANDLE pipe) {
  const WatchSetup& setup = shared.setup;
  bool acknowledged = false;
  if (wire::WriteFrame(pipe, setup.hello, kHandshakeMs, shared.stop.Get(), shared.io.Get()) == IoStatus::Done) {
    Frame ack;
    acknowledged = wire::ReadFrame(pipe, ack, kHandshakeMs, shared.stop.Get(), shared.io.Get()) == IoStatus::Done &&
                   ack.kind == FrameKind::Reply && ack.code == setup.hello.code;
  }
  SetEvent(shared.firstAttempt.Get());
  if (!acknowledged) return;  // closing the connection undoes a half-made greeting
  bool present = false;
  for (;;) {
    Frame frame;
    const IoStatus status = wire::ReadFrame(pipe, frame, INFINITE, shared.stop.Get(), shared.io.Get());
    if (status == IoStatus::Stopped) {
      SendStopCall(shared, pipe);
      return;
    }
    if (status != IoStatus::Done) break;  // the handset's server went away or sent garbage
    Deliver(setup, frame, present);
  }
  // A handset that vanished with its server has been removed.
  if (present && !setup.reportMode && setup.callback != nullptr)
    setup.callback(setup.deviceMessages[1], 0, 0);
}

void Run(const std::shared_ptr<MonitorWatch::Shared>& shared) {
  while (!Stopping(*shared)) {
    wire::UniqueHandle pipe = wire::ConnectToHandset(kConnectMs, shared->stop.Get());
    if (pipe) {
      Session(*shared, pipe.Get());
    } else {
      SetEvent(shared->firstAttempt.Get());
    }
    WaitForSingleObject(shared->stop.Get(), kRetryMs);
  }
}

}  // namespace

MonitorWatch::MonitorWatch(WatchSetup setup) : shared_(std::make_shared<Shared>()) {
  shared_->setup = std::move(setup);
  if (!shared_->stop || !shared_->firstAttempt) throw std::runtime_error("no event for the monitor");
  thread_ = std::thread([shared = shared_] { Run(shared); });
  WaitForSingleObject(shared_->firstAttempt.Get(), kFirstAttemptWaitMs);
}

MonitorWatch::~MonitorWatch() { Stop(); }

std::optional<int> MonitorWatch::Stop() {
  if (!thread_.joinable()) return std::nullopt;
  SetEvent(shared_->stop.Get());
  if (thread_.get_id() == std::this_thread::get_id()) {
    thread_.detach();  // stopped from inside the callback: the thread ends on its own
    return std::nullopt;
  }
  thread_.join();
  if (!shared_->stopCallDelivered) return std::nullopt;
  return shared_->stopResult.load();
}

void MonitorWatch::Abandon() {
  if (!thread_.joinable()) return;
  SetEvent(shared_->stop.Get());
  thread_.detach();
}

}  // namespace kprt5::zu_vaz
