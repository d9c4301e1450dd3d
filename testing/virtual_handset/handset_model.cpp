#include "handset_model.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <optional>
#include <string_view>
#include <tuple>
#include <utility>

namespace kprt5::handset {

using wire::Frame;
using wire::FrameKind;
using wire::Function;

namespace {

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

LogEntry EntryOf(const Frame& frame) {
  const std::optional<wire::FunctionInfo> info = wire::FindFunction(frame.code);
  LogEntry entry;
  entry.function = info ? std::string(info->name) : std::string("?");
  entry.args.assign(frame.args.begin(), frame.args.begin() + frame.argCount);
  entry.text = frame.text;
  return entry;
}

// The vendor and product ids a monitor's greeting asked for.
std::pair<std::uint32_t, std::uint32_t> IdsOf(const Frame& hello) {
  if (hello.code == static_cast<std::uint32_t>(Function::HidStartMonitor)) return {hello.Arg(9), hello.Arg(10)};
  return {hello.Arg(2), hello.Arg(3)};
}

}  // namespace

HandsetModel::HandsetModel(Observer observer) : observer_(std::move(observer)) {}

void HandsetModel::Plug() {
  std::lock_guard lock(mutex_);
  if (state_.plugged) return;
  state_.plugged = true;
  Broadcast(MonitorMode::Device, wire::MakeFrame(FrameKind::Event, 1, {0, 0, 0}));
  Changed();
}

void HandsetModel::Unplug() {
  std::lock_guard lock(mutex_);
  if (!state_.plugged) return;
  state_.plugged = false;
  Broadcast(MonitorMode::Device, wire::MakeFrame(FrameKind::Event, 1, {1, 0, 0}));
  Changed();
}

std::size_t HandsetModel::SendDeviceMessage(std::uint32_t n, std::uint32_t wParam, std::uint32_t lParam) {
  if (n > 8) return 0;
  std::lock_guard lock(mutex_);
  return Broadcast(MonitorMode::Device,
                   wire::MakeFrame(FrameKind::Event, static_cast<std::uint32_t>(wire::EventCode::DeviceMessage),
                                   {n, wParam, lParam}));
}

std::size_t HandsetModel::SendReport(std::uint32_t wParam, std::uint32_t lParam) {
  std::lock_guard lock(mutex_);
  return Broadcast(MonitorMode::Report, wire::MakeFrame(FrameKind::Event,
                                                        static_cast<std::uint32_t>(wire::EventCode::Report),
                                                        {wParam, lParam}));
}

void HandsetModel::SetEeprom(std::size_t address, std::uint16_t value) {
  std::lock_guard lock(mutex_);
  if (address < kEepromWords) state_.eeprom[address] = value;
  Changed();
}

void HandsetModel::SetEepromReadsFail(bool fail) {
  std::lock_guard lock(mutex_);
  state_.eepromReadsFail = fail;
  Changed();
}

void HandsetModel::SetSpeakerLevelDb(float levelDb) {
  std::lock_guard lock(mutex_);
  state_.speakerLevelDb = levelDb;
  Changed();
}

HandsetState HandsetModel::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

std::vector<LogEntry> HandsetModel::Log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void HandsetModel::ClearLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
  Changed();
}

bool HandsetModel::WaitUntil(const std::function<bool(const HandsetState&)>& condition,
                             std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return condition(state_); });
}

bool HandsetModel::WaitForLog(const std::function<bool(const std::vector<LogEntry>&)>& condition,
                              std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return condition(log_); });
}

bool HandsetModel::Receive(const Frame& frame, FrameSink& connection) {
  std::lock_guard lock(mutex_);
  if (frame.kind == FrameKind::Watch) {
    const bool alreadyWatching = std::any_of(watchers_.begin(), watchers_.end(),
                                             [&](const Watcher& w) { return w.sink == &connection; });
    if (!wire::IsWellFormedCall(frame) || alreadyWatching) return false;
    AddWatcher(frame, connection);
    return true;
  }
  if (frame.kind != FrameKind::Call) return false;
  if (!wire::IsWellFormedCall(frame)) return connection.Send(wire::MakeReply(frame.code, 0));
  const bool stopsThisMonitor =
      frame.code == static_cast<std::uint32_t>(Function::HidStopMonitor) &&
      std::any_of(watchers_.begin(), watchers_.end(), [&](const Watcher& w) { return w.sink == &connection; });
  const Frame reply = HandleCall(frame);
  if (stopsThisMonitor) {
    RemoveWatcher(connection);
    connection.Send(reply);
    return false;
  }
  return connection.Send(reply);
}

void HandsetModel::Disconnected(FrameSink& connection) {
  std::lock_guard lock(mutex_);
  RemoveWatcher(connection);
}

void HandsetModel::AppendLog(LogEntry entry) {
  log_.push_back(std::move(entry));
  if (observer_) observer_(log_.back());
  Changed();
}

Frame HandsetModel::HandleCall(const Frame& call) {
  AppendLog(EntryOf(call));
  const auto function = static_cast<Function>(call.code);
  std::uint32_t value = 0;
  const std::uint32_t result = wire::FindFunction(call.code)->hasText ? HandleAudioCall(function, call, value)
                                                                     : HandleChipCall(function, call, value);
  Changed();
  return wire::MakeReply(call.code, result, value);
}

std::uint32_t HandsetModel::HandleChipCall(Function function, const Frame& call, std::uint32_t& value) {
  if (!state_.plugged) return 0;  // an unplugged chip hears nothing
  KeyScanState& scan = state_.keyScan;
  switch (function) {
    case Function::HidStopMonitor:
    case Function::HidOnDeviceChange:
      return 1;
    case Function::HidStartKeyScan4x4: scan.mode = KeyScanMode::Scan4x4; return 1;
    case Function::HidStartKeyScan4x5: scan.mode = KeyScanMode::Scan4x5; return 1;
    case Function::HidStartKeyScan2x3: scan.mode = KeyScanMode::Scan2x3; return 1;
    case Function::HidStartKeyScan2x2:
      scan.mode = KeyScanMode::Scan2x2;
      scan.pullHigh = call.Arg(0) != 0;
      return 1;
    case Function::HidStopKeyScan: scan.mode = KeyScanMode::Off; return 1;
    case Function::HidSetScanKeyBuzzer: scan.scanKeyBuzzer = call.Arg(0) != 0; return 1;
    case Function::HidSetBuzzerDuration: scan.buzzerDurationMs = call.Arg(0); return 1;
    case Function::HidSetKeyScanSpeed: scan.speedMs = std::bit_cast<std::int32_t>(call.Arg(0)); return 1;
    case Function::HidBuzzerOn: state_.buzzerOn = true; return 1;
    case Function::HidBuzzerOff: state_.buzzerOn = false; return 1;
    case Function::HidWriteEeprom:
      if (call.Arg(0) >= kEepromWords) return 0;
      state_.eeprom[call.Arg(0)] = static_cast<std::uint16_t>(call.Arg(1) & 0xFFFFu);
      return 1;
    case Function::HidReadEeprom:
      if (call.Arg(0) >= kEepromWords || state_.eepromReadsFail) return 0;
      value = state_.eeprom[call.Arg(0)];
      return 1;
    case Function::HidSetReport:
      state_.reports.push_back({static_cast<std::uint8_t>(call.Arg(0)), static_cast<std::uint8_t>(call.Arg(1)),
                                static_cast<std::uint8_t>(call.Arg(2)), static_cast<std::uint8_t>(call.Arg(3))});
      if (state_.reports.size() > kReportsKept) state_.reports.erase(state_.reports.begin());
      return 1;
    case Function::HidSetGpio:
      state_.gpioLevel = call.Arg(0);
      state_.gpioOutput = call.Arg(1);
      return 1;
    default:
      return 0;
  }
}

std::uint32_t HandsetModel::HandleAudioCall(Function function, const Frame& call, std::uint32_t& value) {
  // The audio function exists only while plugged, and only under its own name.
  if (!state_.plugged || !SameTextIgnoringCase(call.text, kDeviceText)) return 0;
  const std::uint32_t mode = call.Arg(0);
  switch (function) {
    case Function::VistaSetDefaultAudio:
      if (mode > 1) return 0;
      state_.defaultDeviceSelected = mode == 0;
      return 1;
    case Function::VistaSetMicAGC:
      if (mode == 1) state_.micAgc = call.Arg(1);
      else if (mode == 0) value = state_.micAgc;
      else return 0;
      return 1;
    case Function::VistaSetSpeakerVolumeLevelDB:
      if (mode == 1) state_.speakerLevelDb = std::bit_cast<float>(call.Arg(1));
      else if (mode == 0) value = std::bit_cast<std::uint32_t>(state_.speakerLevelDb);
      else return 0;
      return 1;
    default:
      return 0;
  }
}

void HandsetModel::AddWatcher(const Frame& hello, FrameSink& connection) {
  const bool device = hello.code == static_cast<std::uint32_t>(Function::HidStartMonitor);
  AppendLog(EntryOf(hello));
  watchers_.push_back({&connection, device ? MonitorMode::Device : MonitorMode::Report, hello});
  RefreshMonitorState();
  connection.Send(wire::MakeReply(hello.code, 1));
  // A handset plugged in before the monitor started is announced as soon as the monitor connects.
  if (device && state_.plugged && IdsOf(hello) == std::pair{kVendorId, kProductId})
    connection.Send(wire::MakeFrame(FrameKind::Event, 1, {0, 0, 0}));
  Changed();
}

void HandsetModel::RemoveWatcher(FrameSink& connection) {
  const auto removed = std::remove_if(watchers_.begin(), watchers_.end(),
                                      [&](const Watcher& w) { return w.sink == &connection; });
  if (removed == watchers_.end()) return;
  watchers_.erase(removed, watchers_.end());
  RefreshMonitorState();
  Changed();
}

void HandsetModel::RefreshMonitorState() {
  MonitorState monitor;
  if (!watchers_.empty()) {
    const Watcher& latest = watchers_.back();
    monitor.running = true;
    monitor.mode = latest.mode;
    std::tie(monitor.vendorId, monitor.productId) = IdsOf(latest.hello);
    if (latest.mode == MonitorMode::Device) {
      std::copy_n(latest.hello.args.begin(), monitor.deviceMessages.size(), monitor.deviceMessages.begin());
    } else {
      monitor.reportMessage = latest.hello.Arg(1);
    }
    monitor.watchers = watchers_.size();
  }
  state_.monitor = monitor;
}

std::size_t HandsetModel::Broadcast(MonitorMode mode, const Frame& event) {
  std::size_t reached = 0;
  for (const Watcher& watcher : watchers_) {
    if (watcher.mode != mode || IdsOf(watcher.hello) != std::pair{kVendorId, kProductId}) continue;
    if (watcher.sink->Send(event)) ++reached;
  }
  return reached;
}

}  // namespace kprt5::handset
