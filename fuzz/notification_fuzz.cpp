// Any bytes and any cbData into the call tracker, several notifications in a row on one tracker.
// Input: the first byte picks the Skype version; the rest is split at '\n' into notifications. A
// notification that begins with 0xFF arrives with a null lpData (and its length as cbData);
// every other one arrives in a heap buffer of exactly cbData bytes.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "skype/call_tracker.h"

namespace {

using kprt5::CallId;
using kprt5::CallTracker;

enum class Effect { Ringing, Idle, Raise, Restore };

class EffectRecorder final : public kprt5::TrackerEffects {
 public:
  void SetIndicatorRinging() override { effects.push_back(Effect::Ringing); }
  void SetIndicatorIdle() override { effects.push_back(Effect::Idle); }
  void RaiseSpeakerForCall() override { effects.push_back(Effect::Raise); }
  void RestoreSpeakerLevel() override { effects.push_back(Effect::Restore); }
  std::vector<Effect> effects;
};

// What one notification may drive: nothing; idle; idle and restore; raise and ringing.
bool AllowedEffects(const std::vector<Effect>& effects) {
  using E = Effect;
  return effects.empty() || effects == std::vector<E>{E::Idle} || effects == std::vector<E>{E::Idle, E::Restore} ||
         effects == std::vector<E>{E::Raise, E::Ringing};
}

bool Terminated(const CallId& id) { return std::find(id.text.begin(), id.text.end(), '\0') != id.text.end(); }

bool IdsTerminated(const CallTracker& tracker) {
  return Terminated(tracker.firstListedCallId) && Terminated(tracker.notifiedCallId) &&
         Terminated(tracker.inProgressCallId) && Terminated(tracker.routingCallId) &&
         Terminated(tracker.ringingCallId);
}

// Every field but the mismatch count, which the indicator rule moves on any text.
bool SameCallState(const CallTracker& a, const CallTracker& b) {
  return a.firstListedCallId.text == b.firstListedCallId.text && a.multipleCallsListed == b.multipleCallsListed &&
         a.callListSeen == b.callListSeen && a.notifiedCallId.text == b.notifiedCallId.text &&
         a.inProgressCallId.text == b.inProgressCallId.text && a.routingCallId.text == b.routingCallId.text &&
         a.ringingCallId.text == b.ringingCallId.text && a.ringingSeen == b.ringingSeen &&
         a.previousCallNotification == b.previousCallNotification;
}

constexpr std::array<std::uint32_t, 6> kVersions = {kprt5::kDefaultSkypeVersion,
                                                    kprt5::kRingingGateFirstVersion - 1,
                                                    kprt5::kRingingGateFirstVersion,
                                                    0x2060000,
                                                    kprt5::kRingingGateLastVersion,
                                                    kprt5::kRingingGateLastVersion + 1};

void HandleOne(CallTracker& tracker, std::string_view piece, std::uint32_t version) {
  const bool nullData = !piece.empty() && static_cast<unsigned char>(piece[0]) == 0xFF;
  // Exactly cbData bytes on the heap: a read past cbData is a read past the buffer.
  const std::vector<unsigned char> buffer(piece.begin(), piece.end());
  const unsigned char* lpData = nullData ? nullptr : buffer.data();
  const std::size_t cbData = buffer.size();

  // The text as the notification defines it: up to the first zero byte, within cbData.
  std::string_view text;
  if (!nullData) {
    text = piece.substr(0, std::min(piece.size(), piece.find('\0')));
  }

  const CallTracker before = tracker;
  EffectRecorder recorder;
  FUZZ_CHECK(kprt5::HandleSkypeNotification(tracker, lpData, cbData, version, recorder) == 1);

  FUZZ_CHECK(IdsTerminated(tracker));
  const auto& area = tracker.previousCallNotification;
  FUZZ_CHECK(std::find(area.begin(), area.end(), '\0') != area.end());
  FUZZ_CHECK(tracker.multipleCallsListed <= 1 && tracker.callListSeen <= 1);
  FUZZ_CHECK(tracker.ringingSeen == 0 || tracker.ringingSeen == 1);
  FUZZ_CHECK(tracker.mismatchCount >= 0);
  FUZZ_CHECK(AllowedEffects(recorder.effects));

  const bool callList = text.find("CALLS ") != std::string_view::npos;
  const bool callNotification = text.starts_with("CALL ");
  if (callList) FUZZ_CHECK(tracker.callListSeen == 1);
  if (callNotification) {
    // Stored whole from the area's start (cut to 255 bytes), with its zero.
    const std::size_t stored = std::min<std::size_t>(text.size(), kprt5::kNotificationAreaSize - 1);
    FUZZ_CHECK(std::memcmp(area.data(), text.data(), stored) == 0 && area[stored] == '\0');
    FUZZ_CHECK(text.substr(5).starts_with(tracker.notifiedCallId.View()));
  }
  if (!callList && !callNotification) FUZZ_CHECK(SameCallState(before, tracker));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint32_t version = kVersions[data[0] % kVersions.size()];
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  CallTracker tracker;
  for (;;) {
    const std::size_t end = rest.find('\n');
    HandleOne(tracker, rest.substr(0, end), version);
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return 0;
}
