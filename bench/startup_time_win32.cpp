// Start-up: from process creation to its icon in the notification area, for the program and for a
// bare dialog-and-tray program, started in turns.
#include <chrono>
#include <stdexcept>
#include <thread>

#include "bare_program_win32.h"
#include "bench_stats.h"
#include "measurements.h"

namespace kprt5::bench {

using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds from `start` until the tray holds more than `before` icons; polled every
// millisecond, so the figure is a millisecond or so late at most.
double UntilIconShown(Clock::time_point start, int before) {
  const auto deadline = start + 20s;
  while (e2e::TrayIconCount() <= before) {
    if (Clock::now() > deadline) throw std::runtime_error("no tray icon within 20 s");
    std::this_thread::sleep_for(1ms);
  }
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void WaitForIconCount(int count) {
  if (!e2e::WaitUntil([count] { return e2e::TrayIconCount() == count; }, 10s))
    throw std::runtime_error("a tray icon stayed after its program ended");
}

}  // namespace

Rows MeasureStartup(BenchWorld&, const BenchOptions& options) {
  std::vector<double> program;
  std::vector<double> bare;
  const int before = e2e::TrayIconCount();
  for (int round = 0; round < options.starts; ++round) {
    {
      const auto start = Clock::now();
      BareProgram tray("bare_tray.exe");
      bare.push_back(UntilIconShown(start, before));
      tray.WaitForWindow("#32770", "KPRT5 bench bare tray");
    }
    WaitForIconCount(before);
    {
      e2e::ProgramUnderTest instance;  // its folder is made before the clock starts
      const auto start = Clock::now();
      instance.Start();
      program.push_back(UntilIconShown(start, before));
      instance.WaitForWindow();
      if (!instance.Exit()) instance.Kill();
    }
    WaitForIconCount(before);
  }
  const std::string note = "median of " + std::to_string(options.starts) + " starts each, in turns";
  return {{"start to tray icon", "ms", Median(program), Median(bare), 1.2, false, note}};
}

}  // namespace kprt5::bench
