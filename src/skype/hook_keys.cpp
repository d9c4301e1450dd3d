#include "skype/hook_keys.h"

#include <string>

#include "skype/skype_commands.h"

namespace kprt5 {
namespace {

enum DeviceMessage : std::uint32_t {
  kHandsetArrived = 0,
  kHandsetRemoved = 1,
  kVolumeKeyA = 4,
  kVolumeKeyB = 5,
  kHookKey = 8,
};

constexpr std::uintptr_t kVolumeUpCode = 1;
constexpr std::uintptr_t kVolumeDownCode = 2;

void HandleHandsetArrived(const HookKeyContext& context) {
  context.link.discoveryPending = 1;
  if (context.handset.IsHandsetPresent()) context.handset.SelectHandsetAudio();
  context.latches.handsetReady = 1;
}

void HandleVolumeKey(const HookKeyContext& context, std::uintptr_t code) {
  if (code == kVolumeUpCode) context.handset.StepSpeakerVolume(VolumeDirection::Up);
  if (code == kVolumeDownCode) context.handset.StepSpeakerVolume(VolumeDirection::Down);
}

}  // namespace

bool IsDeviceMessage(std::uint32_t message) {
  return message >= kDeviceMessageBase && message - kDeviceMessageBase < kDeviceMessageCount;
}

bool HandleDeviceMessage(const HookKeyContext& context, std::uint32_t message, std::uintptr_t wParam) {
  if (!IsDeviceMessage(message)) return false;
  switch (message - kDeviceMessageBase) {
    case kHandsetArrived:
      HandleHandsetArrived(context);
      break;
    case kHandsetRemoved:
      context.latches.handsetReady = 0;
      break;
    case kVolumeKeyA:
    case kVolumeKeyB:
      HandleVolumeKey(context, wParam);
      break;
    case kHookKey:
      HandleHookCode(context, wParam);
      break;
    default:  // device messages 2, 3, 6 and 7
      break;
  }
  return true;
}

void HandleHookCode(const HookKeyContext& context, std::uintptr_t code) {
  switch (code) {
    case 0:
    case 2:
      context.latches.answerSent = 0;
      context.latches.hangUpSent = 0;
      break;
    case 1:
    case 3:
      AnswerCall(context);
      break;
    case 4:
    case 6:
      HangUpCall(context);
      break;
    default:
      break;
  }
}

void AnswerCall(const HookKeyContext& context) {
  if (context.latches.answerSent == 1) return;
  if (!context.transport.SendSkypeCommand(context.link.skypeWindow, kFocusCommand)) context.link.skypeWindow = 0;
  // The id as it stands now: Skype may have notified a new call list while "FOCUS" was being sent.
  const std::string answer = BuildAnswerCommand(context.tracker.firstListedCallId.View());
  context.transport.SendSkypeCommand(context.link.skypeWindow, answer);
  context.latches.answerSent = 1;
}

void HangUpCall(const HookKeyContext& context) {
  if (context.latches.hangUpSent == 1) return;
  context.latches.hangUpSent = 1;
  const std::string hangUp = BuildHangUpCommand(context.tracker.firstListedCallId.View());
  context.transport.SendSkypeCommand(context.link.skypeWindow, hangUp);
  context.handset.CloseTApplicationWindow();
}

}  // namespace kprt5
