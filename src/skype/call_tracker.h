#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "skype/call_id.h"

namespace kprt5 {

// The version ReadSkypeVersion gives when Skype's registry value cannot be read.
inline constexpr std::uint32_t kDefaultSkypeVersion = 0x2000167;
// Versions from here up to and including the last accept RINGING only after a CONF or SUBJECT notification.
inline constexpr std::uint32_t kRingingGateFirstVersion = 0x2050000;
inline constexpr std::uint32_t kRingingGateLastVersion = 0x30000D0;
inline constexpr std::size_t kNotificationAreaSize = 256;

// The process-wide call state read from Skype's notifications. All empty or zero at process start.
struct CallTracker {
  CallId firstListedCallId;                // first id of the last call list; the hook key acts on it
  std::uint8_t multipleCallsListed = 0;    // a comma followed the first id of the last call list
  std::uint8_t callListSeen = 0;           // set by every call list; cleared by the link supervisor
  CallId notifiedCallId;                   // id of the latest "CALL " notification
  CallId inProgressCallId;                 // last call reported INPROGRESS, until it reports FINISHED
  CallId routingCallId;                    // last call reported ROUTING, until FINISHED/MISSED/REFUSED
  CallId ringingCallId;                    // last call with an accepted RINGING, until an empty list
  std::int32_t ringingSeen = 0;            // 1 after an accepted RINGING, 0 after FINISHED/MISSED/REFUSED
  // The previous "CALL " notification, at most 255 bytes and its zero, written over the area from
  // its start: behind a shorter text the bytes of earlier, longer ones remain.
  std::array<char, kNotificationAreaSize> previousCallNotification{};
  std::int32_t mismatchCount = 0;          // notifications in a row, two or more calls listed, fitting no pattern
};

// What the tracker drives outside itself; results are not examined.
class TrackerEffects {
 public:
  virtual ~TrackerEffects() = default;
  virtual void SetIndicatorRinging() = 0;  // HidSetGpio(0, 2)
  virtual void SetIndicatorIdle() = 0;     // HidSetGpio(2, 2)
  virtual void RaiseSpeakerForCall() = 0;
  virtual void RestoreSpeakerLevel() = 0;
};

// One notification from Skype (the WM_COPYDATA record's lpData and cbData). The text ends at its
// first zero byte or after cbData bytes, whichever comes first; a null lpData or a cbData of 0 is an
// empty text. `skypeVersion` is ReadSkypeVersion's result for this notification. Returns 1.
int HandleSkypeNotification(CallTracker& tracker, const unsigned char* lpData, std::size_t cbData,
                            std::uint32_t skypeVersion, TrackerEffects& effects);

// The indicator and speaker rule run as the last step of every notification.
void UpdateRingIndicator(CallTracker& tracker, TrackerEffects& effects);

}  // namespace kprt5
