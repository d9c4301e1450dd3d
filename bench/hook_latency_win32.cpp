// Hook-key latency: from the virtual handset's hook event to the Skype peer receiving the answer
// command, for the program and for the bare program that only posts and sends twice.
#include <chrono>
#include <stdexcept>

#include "bare_program_win32.h"
#include "bench_stats.h"
#include "measurements.h"

namespace kprt5::bench {

using namespace std::chrono_literals;

namespace {

constexpr std::uint32_t kHookKey = 8;
constexpr std::uint32_t kRearm = 0;
constexpr std::uint32_t kLift = 1;
constexpr const char* kAnswer = "SET CALL 12 STATUS INPROGRESS";

// Presses the hook key `presses` times (each re-armed first) and returns each press's latency in
// milliseconds. `window` is settled after every press (`copies` as for Settle), so no press queues
// behind the last one.
std::vector<double> Press(BenchWorld& world, HWND window, int copies, int presses) {
  std::vector<double> latencies;
  latencies.reserve(static_cast<std::size_t>(presses));
  for (int press = 0; press < presses; ++press) {
    world.peer.ClearLogs();
    world.handset.ClearLog();
    world.handset.SendDeviceMessage(kHookKey, kRearm, 0);
    const auto pressed = skype_peer::Clock::now();
    world.handset.SendDeviceMessage(kHookKey, kLift, 0);
    skype_peer::Clock::time_point arrived{};
    const bool answered = world.peer.WaitForCommands(
        [&arrived](const std::vector<skype_peer::CommandRecord>& commands) {
          for (const auto& command : commands)
            if (command.Text() == kAnswer) {
              arrived = command.at;
              return true;
            }
          return false;
        },
        5s);
    if (!answered) throw std::runtime_error("a hook press was not answered within 5 s");
    latencies.push_back(std::chrono::duration<double, std::milli>(arrived - pressed).count());
    if (!Settle(world, window, copies)) throw std::runtime_error("the window did not settle after a press");
  }
  return latencies;
}

}  // namespace

std::vector<double> MeasureBareHookLatency(BenchWorld& world, const BenchOptions& options) {
  world.handset.Plug();
  BareProgram bare("bare_hook.exe", std::to_string(reinterpret_cast<std::uintptr_t>(world.peer.Window())));
  HWND window = bare.WaitForWindow("KPRT5BenchBareHook");
  if (window == nullptr || !world.handset.WaitForMonitor(true, 10s))
    throw std::runtime_error("the bare hook program did not start its monitor");
  std::vector<double> latencies = Press(world, window, 1, options.presses);
  bare.End();
  world.handset.WaitForMonitor(false, 5s);
  world.handset.Unplug();
  return latencies;
}

std::vector<double> MeasureProgramHookLatency(BenchWorld& world, e2e::ProgramUnderTest& program,
                                              const BenchOptions& options) {
  return Press(world, program.Window(), 2, options.presses);
}

Rows HookLatencyRows(const std::vector<double>& program, const std::vector<double>& baseline) {
  const std::string note = std::to_string(program.size()) + " presses each";
  return {
      {"hook key to answer, p50", "ms", Percentile(program, 50), Percentile(baseline, 50), 0.0, false, note},
      {"hook key to answer, p99", "ms", Percentile(program, 99), Percentile(baseline, 99), 1.5, false, note},
  };
}

}  // namespace kprt5::bench
