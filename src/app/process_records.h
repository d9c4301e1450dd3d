#pragma once
#include "skype/call_tracker.h"
#include "skype/hook_keys.h"
#include "skype/link_supervisor.h"
#include "skype/skype_link.h"

namespace kprt5 {

// The process-wide records of the Skype link, held once by the program and lent to the window.
struct ProcessRecords {
  SkypeLink link;
  CallTracker tracker;
  SupervisorCounters supervisor;
  HookLatches latches;
};

}  // namespace kprt5
