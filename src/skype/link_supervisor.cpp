#include "skype/link_supervisor.h"

#include <limits>

#include "skype/skype_commands.h"

namespace kprt5 {
namespace {

void ShowReady(const SupervisorContext& context) {
  SupervisorCounters& counters = context.counters;
  if (counters.readyShown != 0) return;
  const std::string tooltip = context.display.LoadText(kReadyTooltipStringId);
  context.display.SetTrayIcon(kReadyIconId);
  counters.readyShown = 1;
  counters.notReadyShown = 0;
  context.display.SetTrayTooltip(tooltip);
}

void ShowNotReady(const SupervisorContext& context) {
  SupervisorCounters& counters = context.counters;
  if (counters.notReadyShown != 0) return;
  context.display.WriteDebugLine(kNotReadyDebugLine);
  const std::string tooltip = context.display.LoadText(kNotReadyTooltipStringId);
  context.display.SetTrayIcon(kNotReadyIconId);
  counters.readyShown = 0;
  counters.notReadyShown = 1;
  context.display.SetTrayTooltip(tooltip);
}

void RunCycle(const SupervisorContext& context) {
  SupervisorCounters& counters = context.counters;
  SkypeLink& link = context.link;
  counters.supervisorTicks = 0;
  if (counters.pollMissCount < std::numeric_limits<std::int32_t>::max()) counters.pollMissCount += 1;

  // The poll goes out before the liveness test: a call list that arrives while it is being sent
  // counts for this cycle.
  if (link.skypeAttached == 1) context.transport.SendSkypeCommand(link.skypeWindow, kSearchActiveCallsCommand);
  if (link.discoveryPending == 1) context.transport.BroadcastSkypeDiscover();

  if (context.tracker.callListSeen == 1) {
    context.tracker.callListSeen = 0;
    counters.pollMissCount = 0;
  } else if (counters.pollMissCount >= kPollMissesUntilLost) {
    link.discoveryPending = 1;
    link.skypeAttached = 0;
    ShowNotReady(context);
    return;
  }

  if (link.skypeAttached == 1 && context.latches.handsetReady == 1) {
    ShowReady(context);
    return;
  }
  ShowNotReady(context);
}

}  // namespace

void SuperviseLink(const SupervisorContext& context) {
  context.counters.supervisorTicks += 1;
  if (context.counters.supervisorTicks < kTicksPerSupervisorCycle) return;
  RunCycle(context);
}

}  // namespace kprt5
