#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "skype/call_tracker.h"
#include "skype/hook_keys.h"
#include "skype/skype_link.h"
#include "skype/skype_transport.h"

namespace kprt5 {

inline constexpr std::int32_t kTicksPerSupervisorCycle = 10;  // timer 1 ticks every 200 ms: a cycle every 2 s
inline constexpr std::int32_t kPollMissesUntilLost = 6;
inline constexpr std::uint32_t kReadyIconId = 131;
inline constexpr std::uint32_t kNotReadyIconId = 132;
inline constexpr std::uint32_t kReadyTooltipStringId = 104;
inline constexpr std::uint32_t kNotReadyTooltipStringId = 105;
inline constexpr std::string_view kNotReadyDebugLine = "Not ready yayayay!!!";

// The supervisor's process-wide counters, all 0 at process start.
struct SupervisorCounters {
  std::int32_t supervisorTicks = 0;  // timer-1 ticks since the last cycle, 0..9
  std::int32_t pollMissCount = 0;    // cycles since a call list last arrived; reset only by a call list
  std::uint8_t readyShown = 0;       // the tray shows the ready state
  std::uint8_t notReadyShown = 0;    // the tray shows the not-ready state
};

// How the supervisor shows the link's state.
class LinkStatusDisplay {
 public:
  virtual ~LinkStatusDisplay() = default;
  virtual void WriteDebugLine(std::string_view text) = 0;     // OutputDebugStringA
  virtual std::string LoadText(std::uint32_t stringId) = 0;  // the string table in the user's language; "" when absent
  virtual void SetTrayIcon(std::uint32_t iconId) = 0;         // TrayIcon::SetIcon
  virtual void SetTrayTooltip(std::string_view text) = 0;     // TrayIcon::SetTooltip
};

struct SupervisorContext {
  SupervisorCounters& counters;
  SkypeLink& link;
  CallTracker& tracker;  // callListSeen is read and cleared
  const HookLatches& latches;
  SkypeTransport& transport;
  LinkStatusDisplay& display;
};

// One tick of timer 1; every tenth tick runs a cycle: the poll while attached, the discover
// broadcast while a search is pending, the liveness test, and the tray state.
void SuperviseLink(const SupervisorContext& context);

}  // namespace kprt5
