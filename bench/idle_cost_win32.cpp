// Idle cost: CPU time and Unix context switches (every wake-up of a thread is one) over an idle
// window, of the attached program with no call and of a bare program with the same three timers,
// side by side; a bare modal dialog with the same timers runs beside them, to show what the
// program's modal dialog costs by itself.
#include <chrono>
#include <stdexcept>
#include <thread>

#include "bare_program_win32.h"
#include "measurements.h"

namespace kprt5::bench {

using namespace std::chrono_literals;

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


// Ends the bench's call and waits until a poll's empty call list has reached the tracker (it sets
// the indicator idle), so the idle window sees the program as it is between calls.
void EndCalls(BenchWorld& world, HWND window) {
  for (const std::string& id : world.peer.ActiveCalls()) world.peer.SetCallStatus(id, "FINISHED");
  Settle(world, window);
  world.handset.ClearLog();
  const bool idle = world.handset.WaitForLog(
      [](const std::vector<handset::LogEntry>& log) {
        for (const auto& entry : log)
          if (entry.function == "HidSetGpio" && entry.args.size() == 2 && entry.args[0] == 2 && entry.args[1] == 2)
            return true;
        return false;
      },
      5s);
  if (!idle) throw std::runtime_error("no poll reported the calls ended");
}

}  // namespace

Rows MeasureIdleCost(BenchWorld& world, e2e::ProgramUnderTest& program, const BenchOptions& options) {
  BareProgram bare("bare_timers.exe");
  if (bare.WaitForWindow("KPRT5BenchBareTimers") == nullptr) throw std::runtime_error("the bare timers did not start");
  BareProgram dialog("bare_dialog_timers.exe");
  if (dialog.WaitForWindow("#32770", "bare dialog timers") == nullptr)
    throw std::runtime_error("the bare dialog timers did not start");
  EndCalls(world, program.Window());
  Settle(world, program.Window());
  const int programPid = FindUnixProcess(program.Folder() + "\\KPRT5.exe");
  const int barePid = FindUnixProcess("\\bare_timers.exe");
  const int dialogPid = FindUnixProcess("\\bare_dialog_timers.exe");
  const int serverPid = FindWineserver();

  // The idle window itself is the measurement: nothing is awaited, time just passes.
  const Sample programBefore = Take(program.Process(), programPid);
  const Sample bareBefore = Take(bare.Process(), barePid);
  const Sample dialogBefore = Take(dialog.Process(), dialogPid);
  const Sample serverBefore{0.0, 0.0, ContextSwitches(serverPid)};
  const auto start = std::chrono::steady_clock::now();
  const std::size_t pollsBefore = world.peer.Commands().size();
  std::this_thread::sleep_for(std::chrono::seconds(options.idleSeconds));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const Sample programAfter = Take(program.Process(), programPid);
  const Sample bareAfter = Take(bare.Process(), barePid);
  const Sample dialogAfter = Take(dialog.Process(), dialogPid);
  const Sample serverAfter{0.0, 0.0, ContextSwitches(serverPid)};
  const std::size_t polls = world.peer.Commands().size() - pollsBefore;

  const std::string window = std::to_string(options.idleSeconds) + " s idle";
  Rows rows = {
      {"idle CPU time", "ms per min", (programAfter.cpuSeconds - programBefore.cpuSeconds) * 60000.0 / seconds,
       (bareAfter.cpuSeconds - bareBefore.cpuSeconds) * 60000.0 / seconds, 0.0, false,
       window + ", GetProcessTimes (Wine reports another process's times coarsely: see the Unix side); "
       "the program attached with no call, polled " + std::to_string(polls) + " times"},
      {"idle CPU time, Unix side", "ms per min",
       (programAfter.unixCpuSeconds - programBefore.unixCpuSeconds) * 60000.0 / seconds,
       (bareAfter.unixCpuSeconds - bareBefore.unixCpuSeconds) * 60000.0 / seconds, 1.1, false,
       window + ", utime + stime of the Wine process, all threads, 10 ms ticks"},
      {"idle wake-ups", "per s", SwitchesPerSecond(programBefore, programAfter, seconds),
       SwitchesPerSecond(bareBefore, bareAfter, seconds), 1.1, false,
       window + ", context switches of all threads of the Wine process (Unix pids " + std::to_string(programPid) +
           ", " + std::to_string(barePid) + ")"},
  };
  // Beside the goal's baseline, the same figures against the bare modal dialog: how far the
  // program is from the least a modal dialog with these timers costs.
  rows.push_back({"idle CPU time, Unix side, against a bare dialog", "ms per min",
                  rows[1].program, (dialogAfter.unixCpuSeconds - dialogBefore.unixCpuSeconds) * 60000.0 / seconds, 0.0,
                  false, window + ", the baseline a modal dialog with the same three timers"});
  rows.push_back({"idle wake-ups, against a bare dialog", "per s", rows[2].program,
                  SwitchesPerSecond(dialogBefore, dialogAfter, seconds), 0.0, false,
                  window + ", the baseline a modal dialog with the same three timers (Unix pid " +
                      std::to_string(dialogPid) + ")"});
  if (serverPid != 0)
    rows.push_back({"wineserver wake-ups, all running", "per s", SwitchesPerSecond(serverBefore, serverAfter, seconds),
                    0.0, 0.0, false, "shared by every Wine process of the prefix; no baseline"});
  return rows;
}

}  // namespace kprt5::bench
