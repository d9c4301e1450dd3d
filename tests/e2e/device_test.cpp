// The handset device side of the whole program: the presence step of start-up, the monitor's start,
// arrival and removal through the library's callback, the device-change notices and a volume key
// whose level read fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "media_device.h"
#include "program_fixture.h"

namespace e2e {
namespace {

using Calls = std::vector<std::string>;

constexpr int kStartMonitorButton = 1012;
constexpr int kGenericReportBox = 1026;
constexpr UINT kVolumeMessage = 5124;  // device message 4
constexpr WPARAM kVolumeUp = 1;
constexpr WPARAM kNodesChanged = 0x0007;  // DBT_DEVNODES_CHANGED: lParam is no pointer
const std::string kSelectAudio = "VistaSetDefaultAudio(0, 1, 1, \"Vid_7a3e&Pid_01b5\")";
const std::string kMicAgcOff = "VistaSetMicAGC(1, 0, \"Vid_7a3e&Pid_01b5\")";
const std::string kLevelRead = "VistaSetSpeakerVolumeLevelDB(0, 0, \"Vid_7a3e&Pid_01b5\")";
const std::string kMonitorStart = "HidStartMonitor(5120, 5121, 5122, 5123, 5124, 5125, 5126, 5127, 5128, 31294, 437)";

bool IsAudioOrMonitorStart(const std::string& call) {
  return call.starts_with("Vista") || call.starts_with("HidStartMonitor(") || call.starts_with("HidStopMonitor(") ||
         call.starts_with("HidStartReportMonitor(");
}

class DeviceTest : public ProgramTest {
 protected:
  // The handset's log without the noise of other calls: the audio calls and the monitor's start.
  Calls AudioAndMonitorCalls() const {
    Calls calls = HandsetCalls();
    std::erase_if(calls, [](const std::string& call) { return !IsAudioOrMonitorStart(call); });
    return calls;
  }

  std::size_t DeviceChangeCount(std::uint32_t wParam, std::uint32_t lParam) const {
    const std::vector<kprt5::handset::LogEntry> log = handset.Log();
    return static_cast<std::size_t>(std::count_if(log.begin(), log.end(), [&](const kprt5::handset::LogEntry& entry) {
      return entry.function == "HidOnDeviceChange" && entry.args == std::vector<std::uint32_t>{wParam, lParam};
    }));
  }

  // Sends (not posts) a device-change notice: when the send returns, the window has handled it.
  void SendDeviceChange(WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    ASSERT_NE(SendMessageTimeoutA(program.Window(), WM_DEVICECHANGE, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                  5000, &result),
              0)
        << "the window did not take the notice";
  }

  // Plants the handset's media device when asked (removed again with the test), then starts the
  // program and lets it finish its start.
  void StartWithHandsetPlanted(bool planted) {
    if (planted) {
      device_ = std::make_unique<PlantedMediaDevice>();
      ASSERT_TRUE(device_->Planted());
    }
    StartProgram();
    Settle();
  }

  std::string MonitorCaption() const {
    char caption[64] = {};
    GetDlgItemTextA(program.Window(), kStartMonitorButton, caption, sizeof caption);
    return caption;
  }

  void ToggleMonitor() { PostAndSettle(WM_COMMAND, MAKEWPARAM(kStartMonitorButton, BN_CLICKED), 0); }

 private:
  std::unique_ptr<PlantedMediaDevice> device_;
};

struct StartUpCase {
  const char* name;
  bool handsetPlanted;
  Calls calls;  // audio calls and the monitor's start, in order
};

class StartUpTest : public DeviceTest, public ::testing::WithParamInterface<StartUpCase> {};

TEST_P(StartUpTest, PresenceDecidesTheAudioCallsThatComeBeforeTheMonitor) {
  ASSERT_NO_FATAL_FAILURE(StartWithHandsetPlanted(GetParam().handsetPlanted));
  EXPECT_EQ(AudioAndMonitorCalls(), GetParam().calls);
  EXPECT_EQ(MonitorCaption(), "Stop  Monitor");
}

INSTANTIATE_TEST_SUITE_P(Handset, StartUpTest,
                         ::testing::Values(StartUpCase{"Planted", true, {kSelectAudio, kMicAgcOff, kMonitorStart}},
                                           StartUpCase{"Absent", false, {kMonitorStart}}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

struct PlugCase {
  const char* name;
  bool handsetPlanted;
  Calls callsOnArrival;  // audio calls device message 0 makes
};

class PlugTest : public DeviceTest, public ::testing::WithParamInterface<PlugCase> {};

TEST_P(PlugTest, ArrivalSelectsAudioWhenPresentAndRestartsTheSearchRemovalKeepsItRunning) {
  ASSERT_NO_FATAL_FAILURE(StartWithHandsetPlanted(GetParam().handsetPlanted));
  // Without device message 0 the supervisor searches only from its seventh cycle, 14 s after start.
  ASSERT_TRUE(peer.Discovers().empty()) << "the search started before the handset arrived";
  handset.ClearLog();

  handset.Plug();
  // The arrival reaches the window through the library's callback; its next cycle (one every 2 s)
  // broadcasts the discover.
  ASSERT_TRUE(peer.WaitForDiscovers(1, 5s)) << "device message 0 did not restart the search";
  EXPECT_EQ(peer.Discovers().front().client, program.Window());
  Settle();
  EXPECT_EQ(AudioAndMonitorCalls(), GetParam().callsOnArrival) << "gain control is not switched again";

  // Removal: device message 1 changes nothing the handset sees; the program keeps running and
  // its monitor keeps watching.
  handset.Unplug();
  Settle();
  EXPECT_EQ(WaitForSingleObject(program.Process(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(handset.State().monitor.watchers, 1u);
}

INSTANTIATE_TEST_SUITE_P(Handset, PlugTest,
                         ::testing::Values(PlugCase{"Planted", true, {kSelectAudio}},
                                           PlugCase{"NotFound", false, {}}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(DeviceTest, DeviceChangeReachesTheLibraryTwiceWhileTheMonitorRunsAndOnceWhileStopped) {
  StartProgram();
  SendDeviceChange(kNodesChanged, 0x2A);
  EXPECT_EQ(DeviceChangeCount(kNodesChanged, 0x2A), 2u);

  ToggleMonitor();
  ASSERT_TRUE(handset.WaitForMonitor(false, 5s)) << "the button's command stops the monitor";
  EXPECT_EQ(MonitorCaption(), "Start Monitor");
  SendDeviceChange(kNodesChanged, 0x2B);
  EXPECT_EQ(DeviceChangeCount(kNodesChanged, 0x2B), 1u);

  handset.ClearLog();
  ToggleMonitor();
  ASSERT_TRUE(handset.WaitForMonitor(true, 5s)) << "the button's command starts the monitor again";
  EXPECT_EQ(MonitorCaption(), "Stop  Monitor");
  EXPECT_EQ(AudioAndMonitorCalls(), Calls{kMonitorStart}) << "the fields are rewritten before every start";
  SendDeviceChange(kNodesChanged, 0x2C);
  EXPECT_EQ(DeviceChangeCount(kNodesChanged, 0x2C), 2u);
}

TEST_F(DeviceTest, GenericReportModeStartsTheReportMonitorInstead) {
  StartProgram();
  ToggleMonitor();
  ASSERT_TRUE(handset.WaitForMonitor(false, 5s));
  SendDlgItemMessageA(program.Window(), kGenericReportBox, BM_SETCHECK, BST_CHECKED, 0);
  handset.ClearLog();
  ToggleMonitor();
  ASSERT_TRUE(handset.WaitForMonitor(true, 5s));
  EXPECT_EQ(AudioAndMonitorCalls(), Calls{"HidStartReportMonitor(0, 5129, 31294, 437)"});
  EXPECT_EQ(MonitorCaption(), "Stop  Monitor");
  EXPECT_EQ(handset.SendReport(1, 2), 1u) << "the report monitor watches the handset";
  EXPECT_EQ(handset.SendDeviceMessage(0, 0, 0), 0u) << "device messages are not handed to the library";
}

TEST_F(DeviceTest, VolumeKeyWithAnUnreadableLevelWritesNothing) {
  // Unplugged, the handset's audio function answers no call: the level read fails.
  StartProgram();
  handset.ClearLog();
  PostAndSettle(kVolumeMessage, kVolumeUp, 0);
  EXPECT_EQ(AudioAndMonitorCalls(), Calls{kLevelRead});

  // Plugged, the same key reads the level and writes one step up.
  handset.Plug();
  handset.SetSpeakerLevelDb(-10.0f);
  handset.ClearLog();
  PostAndSettle(kVolumeMessage, kVolumeUp, 0);
  const float stepped = -10.0f + 0.7078125f;
  EXPECT_EQ(handset.SpeakerLevelDb(), stepped);
  const Calls calls = AudioAndMonitorCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0], kLevelRead);
  EXPECT_TRUE(calls[1].starts_with("VistaSetSpeakerVolumeLevelDB(1, ")) << calls[1];
}

}  // namespace
}  // namespace e2e
