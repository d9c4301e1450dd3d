#include "skype/hook_keys.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "skype/skype_commands.h"

namespace kprt5 {
namespace {

constexpr WindowHandle kSkype = 0x5150;
constexpr std::uint32_t kHookMessage = kDeviceMessageBase + 8;

class NullEffects : public TrackerEffects {
 public:
  void SetIndicatorRinging() override {}
  void SetIndicatorIdle() override {}
  void RaiseSpeakerForCall() override {}
  void RestoreSpeakerLevel() override {}
};

// Plays Skype's side and the handset's, logging every call in order. `duringSend` runs inside a
// send, as a notification handled while SendMessageA waits would.
class HookFixture : public ::testing::Test, public SkypeTransport, public HandsetActions {
 protected:
  HookFixture() {
    link.skypeWindow = kSkype;
    link.skypeAttached = 1;
    Notify("CALLS 12");
  }

  bool SendSkypeCommand(WindowHandle target, std::string_view text) override {
    log.push_back("send " + std::to_string(target) + " " + std::string(text));
    cbData.push_back(BuildPlainCommandPayload(text).cbData);
    if (duringSend) duringSend(text);
    return !(failFocus && text == kFocusCommand);
  }
  bool SendSkypeCommandWithArgument(WindowHandle, std::string_view, std::string_view) override {
    log.push_back("unexpected send with argument");
    return true;
  }
  void BroadcastSkypeDiscover() override { log.push_back("unexpected broadcast"); }

  bool IsHandsetPresent() override {
    log.push_back("present? pending=" + std::to_string(link.discoveryPending) +
                  " ready=" + std::to_string(latches.handsetReady));
    return handsetPresent;
  }
  void SelectHandsetAudio() override { log.push_back("select audio"); }
  void StepSpeakerVolume(VolumeDirection direction) override {
    log.push_back(direction == VolumeDirection::Up ? "volume up" : "volume down");
  }
  void CloseTApplicationWindow() override { log.push_back("close TApplication"); }

  void Notify(const std::string& text) {
    NullEffects effects;
    HandleSkypeNotification(tracker, reinterpret_cast<const unsigned char*>(text.c_str()), text.size() + 1,
                            kDefaultSkypeVersion, effects);
  }

  bool Post(std::uint32_t message, std::uintptr_t wParam) {
    return HandleDeviceMessage(HookKeyContext{latches, link, tracker, *this, *this}, message, wParam);
  }

  void PressHook(const std::vector<std::uintptr_t>& codes) {
    for (std::uintptr_t code : codes) EXPECT_TRUE(Post(kHookMessage, code));
  }

  HookLatches latches;
  SkypeLink link;
  CallTracker tracker;
  std::vector<std::string> log;
  std::vector<std::uint32_t> cbData;
  bool failFocus = false;
  bool handsetPresent = true;
  std::function<void(std::string_view)> duringSend;
};

const std::string kFocus = "send 20816 FOCUS";
const std::string kAnswer = "send 20816 SET CALL 12 STATUS INPROGRESS";
const std::string kHangUp = "send 20816 SET CALL 12 STATUS FINISHED";
const std::string kClose = "close TApplication";

struct LatchCase {
  const char* name;
  std::vector<std::uintptr_t> codes;
  std::vector<std::string> log;
  int answerSent;
  int hangUpSent;
};

void PrintTo(const LatchCase& c, std::ostream* os) { *os << c.name; }

class HookLatchTest : public HookFixture, public ::testing::WithParamInterface<LatchCase> {};

TEST_P(HookLatchTest, SendsEachActionOnceUntilReArmed) {
  const LatchCase& c = GetParam();
  PressHook(c.codes);
  EXPECT_EQ(log, c.log);
  EXPECT_EQ(latches.answerSent, c.answerSent);
  EXPECT_EQ(latches.hangUpSent, c.hangUpSent);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, HookLatchTest,
    ::testing::Values(LatchCase{"LiftTwice", {1, 1}, {kFocus, kAnswer}, 1, 0},
                      LatchCase{"LiftReArmLift", {1, 0, 1}, {kFocus, kAnswer, kFocus, kAnswer}, 1, 0},
                      LatchCase{"LiftDownLift", {1, 4, 1}, {kFocus, kAnswer, kHangUp, kClose}, 1, 1},
                      LatchCase{"DownTwice", {4, 6}, {kHangUp, kClose}, 0, 1},
                      LatchCase{"DownReArmWithTwoDown", {4, 2, 4}, {kHangUp, kClose, kHangUp, kClose}, 0, 1},
                      LatchCase{"DownThenLiftStillAnswers", {6, 3}, {kHangUp, kClose, kFocus, kAnswer}, 1, 1},
                      LatchCase{"FiveDoesNothing", {5}, {}, 0, 0},
                      LatchCase{"SevenDoesNothing", {7}, {}, 0, 0},
                      LatchCase{"FiveReArmsNothing", {1, 5, 1}, {kFocus, kAnswer}, 1, 0},
                      LatchCase{"SevenReArmsNothing", {4, 7, 4}, {kHangUp, kClose}, 0, 1},
                      LatchCase{"LargeCodeDoesNothing", {0xFFFFFFFFu}, {}, 0, 0}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(HookFixture, CommandBytesNameTheFirstListedCall) {
  PressHook({1, 4});
  EXPECT_EQ(cbData, (std::vector<std::uint32_t>{6, 30, 28}));
}

TEST_F(HookFixture, EmptyListLeavesTwoBlanksAfterCall) {
  Notify("CALLS ");
  PressHook({1, 4});
  EXPECT_EQ(log, (std::vector<std::string>{kFocus, "send 20816 SET CALL  STATUS INPROGRESS",
                                           "send 20816 SET CALL  STATUS FINISHED", kClose}));
}

TEST_F(HookFixture, FailedFocusForgetsSkypeAndAnswersToNoWindow) {
  failFocus = true;
  PressHook({1});
  EXPECT_EQ(link.skypeWindow, 0u);
  EXPECT_EQ(log, (std::vector<std::string>{kFocus, "send 0 SET CALL 12 STATUS INPROGRESS"}));
  EXPECT_EQ(latches.answerSent, 1);
  // The hang-up goes to the forgotten window too, and the close follows it regardless.
  PressHook({4});
  EXPECT_EQ(log.back(), kClose);
  EXPECT_EQ(log[2], "send 0 SET CALL 12 STATUS FINISHED");
}

TEST_F(HookFixture, AnswerNamesTheCallListedWhileFocusWasSent) {
  duringSend = [this](std::string_view text) {
    if (text == kFocusCommand) Notify("CALLS 13, 12");
  };
  PressHook({1});
  EXPECT_EQ(log, (std::vector<std::string>{kFocus, "send 20816 SET CALL 13 STATUS INPROGRESS"}));
}

TEST_F(HookFixture, HangUpIsLatchedBeforeItsSend) {
  // A second hang-up arriving while the first is being sent is ignored.
  duringSend = [this](std::string_view) { PressHook({4}); };
  PressHook({4});
  EXPECT_EQ(log, (std::vector<std::string>{kHangUp, kClose}));
}

struct DeviceCase {
  const char* name;
  std::uint32_t message;
  std::uintptr_t wParam;
  bool present;
  bool isDeviceMessage;
  std::vector<std::string> log;
  int handsetReady;  // starting from 1 for message 1, from 0 otherwise
  int discoveryPending;
};

void PrintTo(const DeviceCase& c, std::ostream* os) { *os << c.name; }

class DeviceMessageTest : public HookFixture, public ::testing::WithParamInterface<DeviceCase> {};

TEST_P(DeviceMessageTest, ActsAsTabled) {
  const DeviceCase& c = GetParam();
  handsetPresent = c.present;
  if (c.message == kDeviceMessageBase + 1) latches.handsetReady = 1;
  EXPECT_EQ(Post(c.message, c.wParam), c.isDeviceMessage);
  EXPECT_EQ(log, c.log);
  EXPECT_EQ(latches.handsetReady, c.handsetReady);
  EXPECT_EQ(link.discoveryPending, c.discoveryPending);
  EXPECT_EQ(link.skypeWindow, kSkype);
}

const std::string kPresenceAsked = "present? pending=1 ready=0";

INSTANTIATE_TEST_SUITE_P(
    Messages, DeviceMessageTest,
    ::testing::Values(
        DeviceCase{"ArrivalSelectsAudioWhenPresent", 5120, 0, true, true, {kPresenceAsked, "select audio"}, 1, 1},
        DeviceCase{"ArrivalWithoutPresenceStillReady", 5120, 0, false, true, {kPresenceAsked}, 1, 1},
        DeviceCase{"Removal", 5121, 0, true, true, {}, 0, 0},
        DeviceCase{"Two", 5122, 1, true, true, {}, 0, 0},
        DeviceCase{"Three", 5123, 1, true, true, {}, 0, 0},
        DeviceCase{"Six", 5126, 1, true, true, {}, 0, 0},
        DeviceCase{"Seven", 5127, 1, true, true, {}, 0, 0},
        DeviceCase{"FourUp", 5124, 1, true, true, {"volume up"}, 0, 0},
        DeviceCase{"FourDown", 5124, 2, true, true, {"volume down"}, 0, 0},
        DeviceCase{"FourOther", 5124, 3, true, true, {}, 0, 0},
        DeviceCase{"FiveUp", 5125, 1, true, true, {"volume up"}, 0, 0},
        DeviceCase{"FiveDown", 5125, 2, true, true, {"volume down"}, 0, 0},
        DeviceCase{"FiveZero", 5125, 0, true, true, {}, 0, 0},
        DeviceCase{"HookLift", 5128, 1, true, true, {kFocus, kAnswer}, 0, 0},
        DeviceCase{"BelowTheRange", 5119, 1, true, false, {}, 0, 0},
        DeviceCase{"ReportMessageIsNotADeviceMessage", 5129, 1, true, false, {}, 0, 0}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace kprt5
