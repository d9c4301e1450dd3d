// The whole-program measurements under Wine, each against its bare baseline in the same run.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "process_probe_win32.h"
#include "program_harness.h"
#include "skype_peer/skype_peer.h"
#include "virtual_handset.h"

namespace kprt5::bench {

struct BenchOptions {
  int presses = 1000;
  int notifications = 2000;
  int idleSeconds = 60;
  int attaches = 1000;
  int calls = 10000;
  int starts = 5;
};

// One row of the comparison table: the program's figure, the baseline's, and the goal as the
// highest ratio program/baseline that meets it (for rates: baseline/program).
struct Row {
  std::string measurement;
  std::string unit;
  double program = 0.0;
  double baseline = 0.0;
  double goalRatio = 0.0;
  bool higherIsBetter = false;
  std::string note;

  double Ratio() const;
  bool Met() const { return Ratio() <= goalRatio; }
};
using Rows = std::vector<Row>;

// The doubles living in the bench process.
struct BenchWorld {
  handset::VirtualHandset& handset;
  skype_peer::SkypePeer& peer;
};

// Waits until `window` has handled everything posted to it so far: a marked device-change notice
// posted now reaches the handset's log `copies` times once the window is done with it (the program
// hands each notice to the library twice while its monitor runs, the bare hook program once).
bool Settle(BenchWorld& world, HWND window, int copies = 2);

// Starts the program, plugs the handset in, lets the peer attach it and rings call 12 until the
// program's poll has listed it. False when any step did not happen in time.
bool StartAttached(BenchWorld& world, e2e::ProgramUnderTest& program);

Rows MeasureStartup(BenchWorld& world, const BenchOptions& options);
// Hook-key latency of the bare program, measured before the program is started (both would hear
// the handset's events); the program's afterwards, with `program` attached.
std::vector<double> MeasureBareHookLatency(BenchWorld& world, const BenchOptions& options);
std::vector<double> MeasureProgramHookLatency(BenchWorld& world, e2e::ProgramUnderTest& program,
                                              const BenchOptions& options);
Rows HookLatencyRows(const std::vector<double>& program, const std::vector<double>& baseline);
Rows MeasureNotificationRate(BenchWorld& world, e2e::ProgramUnderTest& program, const BenchOptions& options);
Rows MeasureIdleCost(BenchWorld& world, e2e::ProgramUnderTest& program, const BenchOptions& options);

struct FootprintTable {
  std::vector<std::string> stages;
  std::vector<Footprint> figures;
};
// Footprint now, after `attaches` attaches and after `calls` calls; the first stage is "after start"
// when `atStart` is given.
FootprintTable MeasureFootprint(BenchWorld& world, e2e::ProgramUnderTest& program, const Footprint& atStart,
                                const BenchOptions& options);

}  // namespace kprt5::bench
