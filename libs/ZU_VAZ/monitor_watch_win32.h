// The monitor's watcher: a thread that keeps its own connection to the handset, announces itself with
// the start call, and turns the handset's events into callback calls with the caller's message numbers.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <thread>

#include "../wire/wire_frame.h"
#include "zu_vaz.h"

namespace kprt5::zu_vaz {

struct WatchSetup {
  HidCallback callback = nullptr;
  wire::Frame hello;                            // the Watch frame: the start call's arguments
  bool reportMode = false;                      // HidStartReportMonitor: reports only
  std::array<UINT, 9> deviceMessages{};         // message number of device message N
  UINT reportMessage = 0;
};

class MonitorWatch {
 public:
  // Starts the thread and waits (briefly) for its first connection attempt, so that a handset
  // present now has logged the start call before this returns. Throws if no thread can start.
  explicit MonitorWatch(WatchSetup setup);
  MonitorWatch(const MonitorWatch&) = delete;
  MonitorWatch& operator=(const MonitorWatch&) = delete;
  ~MonitorWatch();

  // Stops the thread and joins it. When the watcher was connected, the stop call travels on its own
  // connection and its result is returned; otherwise nullopt.
  std::optional<int> Stop();
  // For unloading with the monitor still running: signal and let the thread go, no join.
  void Abandon();

  struct Shared;  // what the thread and this object share

 private:
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace kprt5::zu_vaz
