// Idle cost: CPU time and Unix context switches (every wake-up of a thread is one) over an idle
// window, of the attached program and of a bare program with the same three timers, side by side.
#include <chrono>
#include <stdexcept>
#include <thread>

#include "bare_program_win32.h"
#include "measurements.h"

namespace kprt5::bench {

namespace {

struct Sample {
  double cpuSeconds = 0.0;
  double unixCpuSeconds = 0.0;
  std::optional<std::uint64_t> switches;
};

Sample Take(HANDLE process, int unixPid) {
  return {CpuSeconds(process), UnixCpuSeconds(unixPid), ContextSwitches(unixPid)};
}

double SwitchesPerSecond(const Sample& before, const Sample& after, double seconds) {
  if (!before.switches || !after.switches) return 0.0;
  return static_cast<double>(*after.switches - *before.switches) / seconds;
}

}  // namespace

Rows MeasureIdleCost(BenchWorld& world, e2e::ProgramUnderTest& program, const BenchOptions& options) {
  BareProgram bare("bare_timers.exe");
  if (bare.WaitForWindow("KPRT5BenchBareTimers") == nullptr) throw std::runtime_error("the bare timers did not start");
  Settle(world, program.Window());
  const int programPid = FindUnixProcess(program.Folder() + "\\KPRT5.exe");
  const int barePid = FindUnixProcess("\\bare_timers.exe");
  const int serverPid = FindWineserver();

  // The idle window itself is the measurement: nothing is awaited, time just passes.
  const Sample programBefore = Take(program.Process(), programPid);
  const Sample bareBefore = Take(bare.Process(), barePid);
  const Sample serverBefore{0.0, 0.0, ContextSwitches(serverPid)};
  const auto start = std::chrono::steady_clock::now();
  const std::size_t pollsBefore = world.peer.Commands().size();
  std::this_thread::sleep_for(std::chrono::seconds(options.idleSeconds));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const Sample programAfter = Take(program.Process(), programPid);
  const Sample bareAfter = Take(bare.Process(), barePid);
  const Sample serverAfter{0.0, 0.0, ContextSwitches(serverPid)};
  const std::size_t polls = world.peer.Commands().size() - pollsBefore;

  const std::string window = std::to_string(options.idleSeconds) + " s idle";
  Rows rows = {
      {"idle CPU time", "ms per min", (programAfter.cpuSeconds - programBefore.cpuSeconds) * 60000.0 / seconds,
       (bareAfter.cpuSeconds - bareBefore.cpuSeconds) * 60000.0 / seconds, 0.0, false,
       window + ", GetProcessTimes (Wine reports another process's times coarsely: see the Unix side); "
       "the program attached, polled " + std::to_string(polls) + " times"},
      {"idle CPU time, Unix side", "ms per min",
       (programAfter.unixCpuSeconds - programBefore.unixCpuSeconds) * 60000.0 / seconds,
       (bareAfter.unixCpuSeconds - bareBefore.unixCpuSeconds) * 60000.0 / seconds, 1.1, false,
       window + ", utime + stime of the Wine process, all threads, 10 ms ticks"},
      {"idle wake-ups", "per s", SwitchesPerSecond(programBefore, programAfter, seconds),
       SwitchesPerSecond(bareBefore, bareAfter, seconds), 1.1, false,
       window + ", context switches of all threads of the Wine process (Unix pids " + std::to_string(programPid) +
           ", " + std::to_string(barePid) + ")"},
  };
  if (serverPid != 0)
    rows.push_back({"wineserver wake-ups, both running", "per s", SwitchesPerSecond(serverBefore, serverAfter, seconds),
                    0.0, 0.0, false, "shared by every Wine process of the prefix; no baseline"});
  return rows;
}

}  // namespace kprt5::bench
