// The program's rules natively under Google Benchmark: what one notification, one hook press, one
// supervisor cycle and one audio-name command cost without any Windows call. The effects and
// sends are counted, not performed.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "skype/call_tracker.h"
#include "skype/hook_keys.h"
#include "skype/link_supervisor.h"
#include "skype/skype_commands.h"

namespace {

using namespace kprt5;

struct CountingEffects final : TrackerEffects {
  int calls = 0;
  void SetIndicatorRinging() override { ++calls; }
  void SetIndicatorIdle() override { ++calls; }
  void RaiseSpeakerForCall() override { ++calls; }
  void RestoreSpeakerLevel() override { ++calls; }
};

struct CountingTransport final : SkypeTransport {
  std::size_t bytes = 0;
  bool SendSkypeCommand(WindowHandle, std::string_view text) override {
    bytes += BuildPlainCommandPayload(text).cbData;
    return true;
  }
  bool SendSkypeCommandWithArgument(WindowHandle, std::string_view prefix, std::string_view argument) override {
    bytes += FormArgumentCommand(prefix, argument).size();
    return true;
  }
  void BroadcastSkypeDiscover() override { ++bytes; }
};

struct CountingDisplay final : LinkStatusDisplay {
  int calls = 0;
  void WriteDebugLine(std::string_view) override { ++calls; }
  std::string LoadText(std::uint32_t) override { return "ZELT KP-RT5:Ready"; }
  void SetTrayIcon(std::uint32_t) override { ++calls; }
  void SetTrayTooltip(std::string_view) override { ++calls; }
};

struct NoHandset final : HandsetActions {
  bool IsHandsetPresent() override { return true; }
  void SelectHandsetAudio() override {}
  void StepSpeakerVolume(VolumeDirection) override {}
  void CloseTApplicationWindow() override {}
};

// One call's life, as the notification rotation of the whole-program bench sends it.
const std::vector<std::string> kNotifications = {"CALL 12 STATUS RINGING", "CALLS 12", "CALL 12 STATUS INPROGRESS",
                                                 "CALL 12 STATUS FINISHED", "CALLS "};

void Notification(benchmark::State& state) {
  CallTracker tracker;
  CountingEffects effects;
  std::size_t next = 0;
  for (auto _ : state) {
    const std::string& text = kNotifications[next++ % kNotifications.size()];
    benchmark::DoNotOptimize(HandleSkypeNotification(tracker, reinterpret_cast<const unsigned char*>(text.data()),
                                                     text.size() + 1, kDefaultSkypeVersion, effects));
  }
  benchmark::DoNotOptimize(effects.calls);
}
BENCHMARK(Notification);

void HookPress(benchmark::State& state) {
  HookLatches latches;
  SkypeLink link;
  link.skypeWindow = 0x1234;
  CallTracker tracker;
  tracker.firstListedCallId.Assign("12");
  CountingTransport transport;
  NoHandset handset;
  const HookKeyContext context{latches, link, tracker, transport, handset};
  for (auto _ : state) {
    HandleDeviceMessage(context, kDeviceMessageBase + 8, 0);  // re-arm
    HandleDeviceMessage(context, kDeviceMessageBase + 8, 1);  // lift: FOCUS and the answer
  }
  benchmark::DoNotOptimize(transport.bytes);
}
BENCHMARK(HookPress);

void SupervisorCycle(benchmark::State& state) {
  SupervisorCounters counters;
  SkypeLink link;
  link.skypeWindow = 0x1234;
  link.skypeAttached = 1;
  CallTracker tracker;
  HookLatches latches;
  latches.handsetReady = 1;
  CountingTransport transport;
  CountingDisplay display;
  const SupervisorContext context{counters, link, tracker, latches, transport, display};
  for (auto _ : state) {
    for (int tick = 0; tick < kTicksPerSupervisorCycle; ++tick) SuperviseLink(context);
    tracker.callListSeen = 1;  // the poll's answer
  }
  benchmark::DoNotOptimize(display.calls);
}
BENCHMARK(SupervisorCycle);

void AudioNameCommand(benchmark::State& state) {
  // A long handset name with non-ASCII letters, as the attach sequence converts it.
  std::vector<std::uint16_t> units;
  const std::u16string name = u"SET AUDIO_OUT Lautsprecher (USB Audio Device) \u00e9\u20ac\U0001F600";
  for (std::size_t i = 0; units.size() < 240; ++i) units.push_back(static_cast<std::uint16_t>(name[i % name.size()]));
  units.push_back(0);
  for (auto _ : state) benchmark::DoNotOptimize(EncodeArgumentCommandPayload(units).cbData);
}
BENCHMARK(AudioNameCommand);

}  // namespace

BENCHMARK_MAIN();
