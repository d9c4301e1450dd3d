// Both handset libraries against the virtual handset over the real pipe: every call arrives in
// order with its arguments, the monitor's events reach the callback with the caller's numbers, and
// with no handset everything answers at once.
#include <windows.h>

#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "virtual_handset.h"
#include "../../libs/wire/pipe_io_win32.h"

namespace kprt5::handset {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

typedef void(__stdcall* Callback)(UINT, UINT, UINT);
using StartMonitorFn = int(__stdcall*)(Callback, UINT, UINT, UINT, UINT, UINT, UINT, UINT, UINT, UINT, UINT, UINT);
using StartReportMonitorFn = int(__stdcall*)(UINT, Callback, UINT, UINT, UINT);
using NoArgFn = int(__stdcall*)();
using OneArgFn = int(__stdcall*)(UINT);
using TwoArgFn = int(__stdcall*)(UINT, UINT);
using ReadEepromFn = int(__stdcall*)(UINT, UINT*);
using SetReportFn = int(__stdcall*)(UINT, UINT, UINT, UINT);
using SpeedFn = int(__stdcall*)(int);
using DefaultAudioFn = int(__stdcall*)(int, const char*, int, int);
using MicAgcFn = int(__stdcall*)(int, const char*, UINT*);
using LevelFn = int(__stdcall*)(int, const char*, float*);

struct Event {
  UINT message, wParam, lParam;
  bool operator==(const Event&) const = default;
};

// What the libraries' callback delivered; the callback has no context, so this is process-wide.
struct Delivered {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Event> events;
};
Delivered& Received() {
  static Delivered delivered;
  return delivered;
}

void __stdcall RecordEvent(UINT message, UINT wParam, UINT lParam) {
  std::lock_guard lock(Received().mutex);
  Received().events.push_back({message, wParam, lParam});
  Received().changed.notify_all();
}

std::vector<Event> Events() {
  std::lock_guard lock(Received().mutex);
  return Received().events;
}

bool WaitForEvents(std::size_t count, std::chrono::milliseconds timeout = 3s) {
  std::unique_lock lock(Received().mutex);
  return Received().changed.wait_for(lock, timeout, [&] { return Received().events.size() >= count; });
}

struct ModuleCloser {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleCloser>;

constexpr char kDevice[] = "Vid_7a3e&Pid_01b5";
constexpr UINT kVid = 0x7A3E;
constexpr UINT kPid = 0x01B5;
// Device message N is told as 7000 + 3N here, so a library that mixes up N shows it.
constexpr UINT Message(UINT n) { return 7000 + 3 * n; }

class HandsetLibraries : public ::testing::Test {
 protected:
  void SetUp() override {
    {
      std::lock_guard lock(Received().mutex);
      Received().events.clear();
    }
    zuVaz_.reset(LoadLibraryA("ZU_VAZ.dll"));
    rore_.reset(LoadLibraryA("ROre.dll"));
    ASSERT_TRUE(zuVaz_ && rore_) << "both libraries sit beside the test program";
  }

  void TearDown() override {
    if (zuVaz_) Ordinal<NoArgFn>(3)();  // no watcher thread may outlive the library
  }

  template <typename Fn>
  Fn Ordinal(WORD ordinal) {
    const FARPROC proc = GetProcAddress(zuVaz_.get(), MAKEINTRESOURCEA(ordinal));
    EXPECT_NE(proc, nullptr) << "ordinal " << ordinal;
    return std::bit_cast<Fn>(proc);
  }

  template <typename Fn>
  Fn Named(const char* name) {
    const FARPROC proc = GetProcAddress(rore_.get(), name);
    EXPECT_NE(proc, nullptr) << name;
    return std::bit_cast<Fn>(proc);
  }

  int StartMonitor(UINT vid = kVid, UINT pid = kPid) {
    return Ordinal<StartMonitorFn>(1)(RecordEvent, Message(0), Message(1), Message(2), Message(3), Message(4),
                                      Message(5), Message(6), Message(7), Message(8), vid, pid);
  }

  UniqueModule zuVaz_;
  UniqueModule rore_;
};

LogEntry Entry(const char* function, std::vector<std::uint32_t> args, std::string text = {}) {
  return {function, std::move(args), std::move(text)};
}

TEST_F(HandsetLibraries, EveryCallArrivesInOrderWithItsArgumentsAndResults) {
  VirtualHandset handset;
  handset.Plug();
  handset.SetEeprom(7, 0xBEEF);
  handset.SetSpeakerLevelDb(-12.5f);

  ASSERT_NE(StartMonitor(), 0);
  ASSERT_TRUE(WaitForEvents(1));  // plugged before the start: announced when the watcher connects
  EXPECT_EQ(Events()[0], (Event{Message(0), 0, 0}));

  EXPECT_EQ(Ordinal<TwoArgFn>(4)(0x8000, 0x12345678), 1);
  EXPECT_EQ(Ordinal<NoArgFn>(5)(), 1);
  EXPECT_EQ(Ordinal<NoArgFn>(6)(), 1);
  EXPECT_EQ(Ordinal<NoArgFn>(7)(), 1);
  EXPECT_EQ(Ordinal<NoArgFn>(8)(), 1);
  EXPECT_EQ(Ordinal<TwoArgFn>(9)(3, 0x1A2B3C4D), 1);
  UINT word = 0;
  EXPECT_EQ(Ordinal<ReadEepromFn>(10)(7, &word), 1);
  EXPECT_EQ(word, 0xBEEFu);
  EXPECT_EQ(Ordinal<SetReportFn>(12)(0x01, 0x80, 0xFF, 0x7F), 1);
  EXPECT_EQ(Ordinal<TwoArgFn>(13)(0, 2), 1);
  EXPECT_EQ(Ordinal<OneArgFn>(14)(1), 1);
  EXPECT_EQ(Ordinal<OneArgFn>(15)(250), 1);
  EXPECT_EQ(Ordinal<SpeedFn>(16)(-20), 1);
  EXPECT_EQ(Ordinal<NoArgFn>(17)(), 1);
  EXPECT_EQ(Ordinal<NoArgFn>(18)(), 1);
  EXPECT_EQ(Ordinal<OneArgFn>(19)(1), 1);
  EXPECT_EQ(Named<DefaultAudioFn>("VistaSetDefaultAudio")(0, kDevice, 1, 1), 1);
  UINT agcOff = 0;
  EXPECT_EQ(Named<MicAgcFn>("VistaSetMicAGC")(1, kDevice, &agcOff), 1);
  float level = 99.0f;
  EXPECT_EQ(Named<LevelFn>("VistaSetSpeakerVolumeLevelDB")(0, kDevice, &level), 1);
  EXPECT_EQ(level, -12.5f);
  float louder = -0.05f;
  EXPECT_EQ(Named<LevelFn>("VistaSetSpeakerVolumeLevelDB")(1, kDevice, &louder), 1);
  EXPECT_EQ(Ordinal<NoArgFn>(3)(), 1);

  const std::vector<LogEntry> expected{
      Entry("HidStartMonitor", {Message(0), Message(1), Message(2), Message(3), Message(4), Message(5), Message(6),
                                Message(7), Message(8), kVid, kPid}),
      Entry("HidOnDeviceChange", {0x8000, 0x12345678}),
      Entry("HidStartKeyScan4x4", {}),
      Entry("HidStopKeyScan", {}),
      Entry("HidBuzzerOn", {}),
      Entry("HidBuzzerOff", {}),
      Entry("HidWriteEeprom", {3, 0x1A2B3C4D}),
      Entry("HidReadEeprom", {7}),
      Entry("HidSetReport", {0x01, 0x80, 0xFF, 0x7F}),
      Entry("HidSetGpio", {0, 2}),
      Entry("HidSetScanKeyBuzzer", {1}),
      Entry("HidSetBuzzerDuration", {250}),
      Entry("HidSetKeyScanSpeed", {0xFFFFFFECu}),
      Entry("HidStartKeyScan4x5", {}),
      Entry("HidStartKeyScan2x3", {}),
      Entry("HidStartKeyScan2x2", {1}),
      Entry("VistaSetDefaultAudio", {0, 1, 1}, kDevice),
      Entry("VistaSetMicAGC", {1, 0}, kDevice),
      Entry("VistaSetSpeakerVolumeLevelDB", {0, 0}, kDevice),
      Entry("VistaSetSpeakerVolumeLevelDB", {1, std::bit_cast<std::uint32_t>(-0.05f)}, kDevice),
      Entry("HidStopMonitor", {}),
  };
  const std::vector<LogEntry> log = handset.Log();
  ASSERT_EQ(log.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(log[i], expected[i]) << i << ": " << FormatLogEntry(log[i]) << " != " << FormatLogEntry(expected[i]);

  // The monitor's own stop is synchronous: the handset knows it stopped when the call returns.
  const HandsetState state = handset.State();
  EXPECT_FALSE(state.monitor.running);
  EXPECT_EQ(state.eeprom[3], 0x3C4D);
  EXPECT_EQ(state.gpioLevel, 0u);
  EXPECT_EQ(state.gpioOutput, 2u);
  EXPECT_FALSE(state.buzzerOn);
  EXPECT_EQ(state.keyScan.mode, KeyScanMode::Scan2x2);
  EXPECT_EQ(state.keyScan.speedMs, -20);
  ASSERT_EQ(state.reports.size(), 1u);
  EXPECT_EQ(state.reports[0], (std::array<std::uint8_t, 4>{0x01, 0x80, 0xFF, 0x7F}));
  EXPECT_TRUE(state.defaultDeviceSelected);
  EXPECT_EQ(state.micAgc, 0u);
  EXPECT_EQ(state.speakerLevelDb, -0.05f);
  EXPECT_EQ(Events().size(), 1u) << "nothing but the arrival was delivered";
}

TEST_F(HandsetLibraries, ArrivalRemovalAndHookReachTheCallbackWithTheGivenNumbers) {
  VirtualHandset handset;
  ASSERT_NE(StartMonitor(), 0);
  ASSERT_TRUE(handset.WaitForMonitor(true, 3s));
  const MonitorState monitor = handset.State().monitor;
  EXPECT_EQ(monitor.mode, MonitorMode::Device);
  EXPECT_EQ(monitor.vendorId, kVid);
  EXPECT_EQ(monitor.productId, kPid);

  handset.Plug();
  EXPECT_EQ(handset.SendDeviceMessage(8, 1, 0), 1u);
  EXPECT_EQ(handset.SendDeviceMessage(4, 2, 0x55), 1u);
  handset.Unplug();
  ASSERT_TRUE(WaitForEvents(4));
  EXPECT_EQ(Events(), (std::vector<Event>{{Message(0), 0, 0}, {Message(8), 1, 0}, {Message(4), 2, 0x55},
                                          {Message(1), 0, 0}}));
  EXPECT_EQ(handset.SendDeviceMessage(9, 0, 0), 0u) << "there is no device message 9";
}

TEST_F(HandsetLibraries, MonitorForOtherIdsHearsNothingAndReportMonitorHearsOnlyReports) {
  VirtualHandset handset;
  handset.Plug();
  ASSERT_NE(StartMonitor(kVid, 0x01B6), 0);
  ASSERT_TRUE(handset.WaitForMonitor(true, 3s));
  EXPECT_EQ(handset.SendDeviceMessage(8, 1, 0), 0u);

  // A second start replaces the first.
  ASSERT_NE(Ordinal<StartReportMonitorFn>(11)(0, RecordEvent, 7777, kVid, kPid), 0);
  ASSERT_TRUE(handset.WaitUntil([](const HandsetState& s) { return s.monitor.mode == MonitorMode::Report &&
                                                                   s.monitor.watchers == 1; }, 3s));
  EXPECT_EQ(handset.State().monitor.reportMessage, 7777u);
  EXPECT_EQ(handset.SendDeviceMessage(8, 1, 0), 0u);
  EXPECT_EQ(handset.SendReport(0x0102, 0x0304), 1u);
  ASSERT_TRUE(WaitForEvents(1));
  EXPECT_EQ(Events(), (std::vector<Event>{{7777, 0x0102, 0x0304}}));
}

TEST_F(HandsetLibraries, UnpluggedHandsetLogsButAnswersZeroAndFillsNothing) {
  VirtualHandset handset;
  UINT word = 0x5A5A;
  EXPECT_EQ(Ordinal<ReadEepromFn>(10)(1, &word), 0);
  EXPECT_EQ(word, 0x5A5Au);
  EXPECT_EQ(Ordinal<TwoArgFn>(13)(2, 2), 0);
  float level = 3.0f;
  EXPECT_EQ(Named<LevelFn>("VistaSetSpeakerVolumeLevelDB")(0, kDevice, &level), 0);
  EXPECT_EQ(level, 3.0f);
  EXPECT_EQ(handset.Log(), (std::vector<LogEntry>{Entry("HidReadEeprom", {1}), Entry("HidSetGpio", {2, 2}),
                                                  Entry("VistaSetSpeakerVolumeLevelDB", {0, 0}, kDevice)}));
  EXPECT_EQ(handset.State().gpioOutput, 0u);

  handset.Plug();
  handset.SetEepromReadsFail(true);
  EXPECT_EQ(Ordinal<ReadEepromFn>(10)(1, &word), 0);
  handset.SetEepromReadsFail(false);
  EXPECT_EQ(Ordinal<ReadEepromFn>(10)(64, &word), 0) << "the EEPROM has 64 words";
  EXPECT_EQ(Named<DefaultAudioFn>("VistaSetDefaultAudio")(0, "Vid_0000&Pid_0000", 1, 1), 0)
      << "the audio function answers only to its own name";
  EXPECT_EQ(word, 0x5A5Au);
  EXPECT_FALSE(handset.State().defaultDeviceSelected);
}

TEST_F(HandsetLibraries, WithoutHandsetCallsAnswerZeroAtOnceAndTheMonitorWaitsForOne) {
  const auto started = Clock::now();
  ASSERT_NE(StartMonitor(), 0);
  UINT word = 0x5A5A;
  float level = 3.0f;
  UINT agc = 7;
  EXPECT_EQ(Ordinal<TwoArgFn>(13)(2, 2), 0);
  EXPECT_EQ(Ordinal<ReadEepromFn>(10)(1, &word), 0);
  EXPECT_EQ(Ordinal<NoArgFn>(7)(), 0);
  EXPECT_EQ(Named<DefaultAudioFn>("VistaSetDefaultAudio")(0, kDevice, 1, 1), 0);
  EXPECT_EQ(Named<MicAgcFn>("VistaSetMicAGC")(0, kDevice, &agc), 0);
  EXPECT_EQ(Named<LevelFn>("VistaSetSpeakerVolumeLevelDB")(0, kDevice, &level), 0);
  EXPECT_LT(Clock::now() - started, 1500ms);
  EXPECT_EQ(word, 0x5A5Au);
  EXPECT_EQ(level, 3.0f);
  EXPECT_EQ(agc, 7u);

  {
    VirtualHandset handset;  // appears later, plugged
    handset.Plug();
    ASSERT_TRUE(WaitForEvents(1));
    EXPECT_EQ(Events().back(), (Event{Message(0), 0, 0}));
    ASSERT_TRUE(handset.WaitForCall("HidStartMonitor", 1s));
  }  // and its server dies: the handset is gone
  ASSERT_TRUE(WaitForEvents(2));
  EXPECT_EQ(Events().back(), (Event{Message(1), 0, 0}));

  const auto stopping = Clock::now();
  EXPECT_EQ(Ordinal<NoArgFn>(3)(), 0);
  EXPECT_LT(Clock::now() - stopping, 500ms);
}

TEST_F(HandsetLibraries, GarbageOnThePipeClosesThatConnectionOnly) {
  VirtualHandset handset;
  handset.Plug();
  ASSERT_NE(StartMonitor(), 0);
  ASSERT_TRUE(WaitForEvents(1));
  {
    wire::UniqueHandle raw = wire::ConnectToHandset(1000, nullptr);
    ASSERT_TRUE(raw);
    wire::FrameBytes garbage{};
    garbage.fill(0xA5);
    ASSERT_EQ(wire::TransferAll(raw.Get(), true, garbage.data(), static_cast<DWORD>(garbage.size()), 1000, nullptr),
              wire::IoStatus::Done);
    wire::Frame reply;
    EXPECT_EQ(wire::ReadFrame(raw.Get(), reply, 2000, nullptr), wire::IoStatus::Failed) << "closed, not answered";
  }
  {
    wire::UniqueHandle raw = wire::ConnectToHandset(1000, nullptr);  // half a frame, then gone
    ASSERT_TRUE(raw);
    std::array<std::uint8_t, 10> half{'K', 'V', 'H', '1'};
    ASSERT_EQ(wire::TransferAll(raw.Get(), true, half.data(), static_cast<DWORD>(half.size()), 1000, nullptr),
              wire::IoStatus::Done);
  }
  EXPECT_EQ(Ordinal<TwoArgFn>(13)(2, 2), 1);
  EXPECT_EQ(handset.SendDeviceMessage(8, 4, 0), 1u) << "the monitor's connection lives on";
  ASSERT_TRUE(WaitForEvents(2));
  EXPECT_EQ(handset.Log().size(), 2u);
}

}  // namespace
}  // namespace kprt5::handset
