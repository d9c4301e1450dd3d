// The virtual handset's chip and audio function, without any pipe: what each library call does to
// the state, what it answers, the ordered call log, and the events that go to the watching monitors.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "../../libs/wire/wire_frame.h"
#include "call_log.h"

namespace kprt5::handset {

inline constexpr std::uint32_t kVendorId = 0x7A3E;
inline constexpr std::uint32_t kProductId = 0x01B5;
inline constexpr char kDeviceText[] = "Vid_7a3e&Pid_01b5";  // how ROre's callers name this handset
inline constexpr std::size_t kEepromWords = 64;
inline constexpr std::size_t kReportsKept = 64;

enum class KeyScanMode { Off, Scan4x4, Scan4x5, Scan2x3, Scan2x2 };
enum class MonitorMode { None, Device, Report };

struct KeyScanState {
  KeyScanMode mode = KeyScanMode::Off;
  std::int32_t speedMs = 0;
  std::uint32_t buzzerDurationMs = 0;
  bool scanKeyBuzzer = false;
  bool pullHigh = false;  // of the last HidStartKeyScan2x2
};

struct MonitorState {
  bool running = false;  // at least one library monitor is connected
  MonitorMode mode = MonitorMode::None;
  std::uint32_t vendorId = 0;  // as the most recent monitor was started
  std::uint32_t productId = 0;
  std::array<std::uint32_t, 9> deviceMessages{};  // Device mode
  std::uint32_t reportMessage = 0;               // Report mode
  std::size_t watchers = 0;
};

struct HandsetState {
  bool plugged = false;
  std::uint32_t gpioLevel = 0;
  std::uint32_t gpioOutput = 0;
  bool buzzerOn = false;
  std::array<std::uint16_t, kEepromWords> eeprom{};
  bool eepromReadsFail = false;
  KeyScanState keyScan;
  std::vector<std::array<std::uint8_t, 4>> reports;  // the last kReportsKept HidSetReport calls, oldest first
  MonitorState monitor;
  float speakerLevelDb = -10.0f;
  bool defaultDeviceSelected = false;  // VistaSetDefaultAudio 0 selects, 1 hands back
  std::uint32_t micAgc = 1;            // on until switched off
};

// One connection as the model sees it: where frames for that library go.
class FrameSink {
 public:
  virtual ~FrameSink() = default;
  virtual bool Send(const wire::Frame& frame) = 0;
};

class HandsetModel {
 public:
  using Observer = std::function<void(const LogEntry&)>;

  // `observer` (optional) sees every log entry as it is appended, under the model's lock.
  explicit HandsetModel(Observer observer = {});

  // Test side. Plug and Unplug tell the watching monitors (device message 0 / 1) on a change only.
  void Plug();
  void Unplug();
  // Both answer how many monitors the event went to; a device message above 8 goes nowhere.
  std::size_t SendDeviceMessage(std::uint32_t n, std::uint32_t wParam, std::uint32_t lParam);
  std::size_t SendReport(std::uint32_t wParam, std::uint32_t lParam);
  void SetEeprom(std::size_t address, std::uint16_t value);
  void SetEepromReadsFail(bool fail);
  void SetSpeakerLevelDb(float levelDb);

  HandsetState State() const;
  std::vector<LogEntry> Log() const;
  void ClearLog();
  // Block until the predicate holds (checked under the lock at every change) or the timeout ends.
  bool WaitUntil(const std::function<bool(const HandsetState&)>& condition, std::chrono::milliseconds timeout) const;
  bool WaitForLog(const std::function<bool(const std::vector<LogEntry>&)>& condition,
                  std::chrono::milliseconds timeout) const;

  // Connection side. Handles one frame from a library and answers through `connection`; false
  // when the connection should close (a frame that is no call, or the monitor's stop call).
  bool Receive(const wire::Frame& frame, FrameSink& connection);
  // The connection went away; a monitor on it stops watching.
  void Disconnected(FrameSink& connection);

 private:
  struct Watcher {
    FrameSink* sink;
    MonitorMode mode;
    wire::Frame hello;
  };

  void AppendLog(LogEntry entry);
  wire::Frame HandleCall(const wire::Frame& call);
  std::uint32_t HandleChipCall(wire::Function function, const wire::Frame& call, std::uint32_t& value);
  std::uint32_t HandleAudioCall(wire::Function function, const wire::Frame& call, std::uint32_t& value);
  void AddWatcher(const wire::Frame& hello, FrameSink& connection);
  void RemoveWatcher(FrameSink& connection);
  void RefreshMonitorState();
  std::size_t Broadcast(MonitorMode mode, const wire::Frame& event);
  void Changed() { changed_.notify_all(); }

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  Observer observer_;
  HandsetState state_;
  std::vector<LogEntry> log_;
  std::vector<Watcher> watchers_;
};

}  // namespace kprt5::handset
