#pragma once
#include <cstdint>

#include "audio/speaker_level.h"
#include "skype/call_tracker.h"
#include "skype/skype_link.h"
#include "skype/skype_transport.h"

namespace kprt5 {

// Device message N (N = 0..8) is window message 5120 + N.
inline constexpr std::uint32_t kDeviceMessageBase = 5120;
inline constexpr std::uint32_t kDeviceMessageCount = 9;

// Process-wide hook-key flags, all 0 at process start.
struct HookLatches {
  std::uint8_t handsetReady = 0;  // 1 after device message 0, 0 after device message 1
  std::uint8_t answerSent = 0;    // 1 once an answer went out; re-armed by hook codes 0 and 2
  std::uint8_t hangUpSent = 0;    // 1 once a hang-up went out; re-armed by hook codes 0 and 2
};


// The handset and audio operations the device messages call.
class HandsetActions {
 public:
  virtual ~HandsetActions() = default;
  virtual bool IsHandsetPresent() = 0;
  virtual void SelectHandsetAudio() = 0;
  virtual void StepSpeakerVolume(VolumeDirection direction) = 0;
  // WM_CLOSE to the first top-level window of class "TApplication", when there is one.
  virtual void CloseTApplicationWindow() = 0;
};

// Everything the device-message rules read and write. The tracker is read at the moment of each
// send, so a notification handled during an earlier send is seen by the next one.
struct HookKeyContext {
  HookLatches& latches;
  SkypeLink& link;
  const CallTracker& tracker;
  SkypeTransport& transport;
  HandsetActions& handset;
};

bool IsDeviceMessage(std::uint32_t message);

// Acts on device messages 0..8 (5120..5128) and returns true for them; returns false and does
// nothing for any other message. Either way the message still gets default processing.
bool HandleDeviceMessage(const HookKeyContext& context, std::uint32_t message, std::uintptr_t wParam);

// Device message 8's hook code: 0 and 2 re-arm both latches, 1 and 3 answer, 4 and 6 hang up,
// every other code does nothing.
void HandleHookCode(const HookKeyContext& context, std::uintptr_t code);

// "FOCUS" then "SET CALL <id> STATUS INPROGRESS", once until re-armed. A failed "FOCUS" forgets
// Skype's window, and the answer then goes to window 0.
void AnswerCall(const HookKeyContext& context);

// "SET CALL <id> STATUS FINISHED" then CloseTApplicationWindow, once until re-armed.
void HangUpCall(const HookKeyContext& context);

}  // namespace kprt5
