#include "skype/call_tracker.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

namespace kprt5 {
namespace {

constexpr std::string_view kCallListMarker = "CALLS ";
constexpr std::size_t kCallListStart = 6;
constexpr std::string_view kCallPrefix = "CALL ";
constexpr std::size_t kCallIdStart = 5;

std::string_view NotificationText(const unsigned char* lpData, std::size_t cbData) {
  if (lpData == nullptr || cbData == 0) return {};
  const char* chars = reinterpret_cast<const char*>(lpData);
  const void* zero = std::memchr(chars, '\0', cbData);
  const std::size_t length =
      zero == nullptr ? cbData : static_cast<std::size_t>(static_cast<const char*>(zero) - chars);
  return std::string_view(chars, length);
}

// The part of `text` from `position` on; empty when the text is shorter.
std::string_view From(std::string_view text, std::size_t position) {
  return position < text.size() ? text.substr(position) : std::string_view();
}

// Whether the stored previous notification holds `word` at `position`, reading only inside the area.
bool PreviousHolds(const CallTracker& tracker, std::size_t position, std::string_view word) {
  const auto& area = tracker.previousCallNotification;
  if (position > area.size() || word.size() > area.size() - position) return false;
  return std::string_view(area.data() + position, word.size()) == word;
}

void ReadCallList(CallTracker& tracker, std::string_view text) {
  // Read from position 6 whatever stands before the marker, as if the text began with it.
  const std::string_view list = From(text, kCallListStart);
  const std::size_t comma = list.find(',');
  const std::string_view firstId = list.substr(0, comma);
  tracker.multipleCallsListed = comma != std::string_view::npos ? 1 : 0;
  if (firstId.empty()) {
    tracker.firstListedCallId.Clear();
    tracker.ringingCallId.Clear();
  } else {
    tracker.firstListedCallId.Assign(firstId);
  }
  tracker.callListSeen = 1;
}

void ClearIfNotified(CallTracker& tracker, CallId& id) {
  if (id == tracker.notifiedCallId) id.Clear();
}

bool RingingAccepted(const CallTracker& tracker, std::size_t idLength, std::uint32_t skypeVersion) {
  if (skypeVersion < kRingingGateFirstVersion || skypeVersion > kRingingGateLastVersion) return true;
  return PreviousHolds(tracker, idLength + 6, "CONF") || PreviousHolds(tracker, idLength + 6, "SUBJECT");
}

void ReadCallStatus(CallTracker& tracker, std::string_view status, std::size_t idLength,
                    std::uint32_t skypeVersion) {
  if (status.starts_with("INPROGRESS")) {
    tracker.inProgressCallId = tracker.notifiedCallId;
  } else if (status.starts_with("ROUTING")) {
    tracker.routingCallId = tracker.notifiedCallId;
  } else if (status.starts_with("FINISH")) {
    ClearIfNotified(tracker, tracker.routingCallId);
    ClearIfNotified(tracker, tracker.inProgressCallId);
    tracker.ringingSeen = 0;
  } else if (status.starts_with("MISSED") || status.starts_with("REFUSED")) {
    ClearIfNotified(tracker, tracker.routingCallId);
    tracker.ringingSeen = 0;
  } else if (status.starts_with("RINGING") && RingingAccepted(tracker, idLength, skypeVersion)) {
    tracker.ringingCallId = tracker.notifiedCallId;
    tracker.ringingSeen = 1;
  }
}

void StorePreviousNotification(CallTracker& tracker, std::string_view text) {
  auto& area = tracker.previousCallNotification;
  const std::size_t length = std::min(text.size(), area.size() - 1);
  std::copy_n(text.data(), length, area.data());
  area[length] = '\0';
}

void ReadCallNotification(CallTracker& tracker, std::string_view text, std::uint32_t skypeVersion) {
  // The id starts at position 5, whatever stands there, and runs to the first blank from position 6
  // on. Without such a blank the rest of the text is the id and there is no property.
  const std::size_t blank = text.size() > kCallIdStart + 1 ? text.find(' ', kCallIdStart + 1)
                                                           : std::string_view::npos;
  const std::string_view id = From(text, kCallIdStart).substr(0, blank == std::string_view::npos
                                                                     ? std::string_view::npos
                                                                     : blank - kCallIdStart);
  tracker.notifiedCallId.Assign(id);
  if (blank != std::string_view::npos) {
    const std::size_t idLength = blank - kCallIdStart;
    if (From(text, idLength + 6).substr(0, 6) == "STATUS")
      ReadCallStatus(tracker, From(text, idLength + 13), idLength, skypeVersion);
  }
  StorePreviousNotification(tracker, text);
}

bool BothNonEmpty(const CallTracker& tracker) {
  return !tracker.routingCallId.Empty() && !tracker.inProgressCallId.Empty();
}

}  // namespace

int HandleSkypeNotification(CallTracker& tracker, const unsigned char* lpData, std::size_t cbData,
                            std::uint32_t skypeVersion, TrackerEffects& effects) {
  const std::string_view text = NotificationText(lpData, cbData);
  if (text.find(kCallListMarker) != std::string_view::npos) ReadCallList(tracker, text);
  if (text.starts_with(kCallPrefix)) ReadCallNotification(tracker, text, skypeVersion);
  UpdateRingIndicator(tracker, effects);
  return 1;
}

void UpdateRingIndicator(CallTracker& tracker, TrackerEffects& effects) {
  if (tracker.multipleCallsListed == 1) {
    const bool routingRings = BothNonEmpty(tracker) && tracker.routingCallId == tracker.ringingCallId &&
                              tracker.inProgressCallId == tracker.firstListedCallId;
    const bool inProgressRings = BothNonEmpty(tracker) && tracker.inProgressCallId == tracker.ringingCallId &&
                                 tracker.routingCallId == tracker.firstListedCallId;
    if (routingRings || inProgressRings) {
      effects.SetIndicatorIdle();
      tracker.mismatchCount = 0;
      return;
    }
    if (tracker.mismatchCount < std::numeric_limits<std::int32_t>::max()) tracker.mismatchCount += 1;
    if (tracker.mismatchCount > 3) {
      effects.SetIndicatorIdle();
      effects.RestoreSpeakerLevel();
    }
    return;
  }
  if (tracker.firstListedCallId == tracker.inProgressCallId) {
    effects.SetIndicatorIdle();
    effects.RestoreSpeakerLevel();
  } else if (tracker.firstListedCallId == tracker.routingCallId) {
    effects.SetIndicatorIdle();
  } else if (tracker.ringingSeen == 1) {
    effects.RaiseSpeakerForCall();
    effects.SetIndicatorRinging();
  }
}

}  // namespace kprt5
