// What the measurements share: settling a window, an attached program, the table's ratios.
#include "measurements.h"

namespace kprt5::bench {

using namespace std::chrono_literals;

namespace {
constexpr std::uint32_t kRingingLevel = 0;
constexpr std::uint32_t kIndicatorBits = 2;
}  // namespace

double Row::Ratio() const {
  if (higherIsBetter) return program > 0.0 ? baseline / program : 0.0;
  return baseline > 0.0 ? program / baseline : 0.0;
}

bool Settle(BenchWorld& world, HWND window, int copies) { return e2e::SettleWindow(world.handset, window, copies); }

bool StartAttached(BenchWorld& world, e2e::ProgramUnderTest& program) {
  program.Start();
  if (program.WaitForWindow() == nullptr || !world.handset.WaitForMonitor(true, 10s)) return false;
  world.peer.ClearLogs();
  world.handset.Plug();
  if (!world.peer.WaitForDiscovers(1, 5s) || !world.peer.WaitForCommands(4, 5s)) return false;
  world.handset.ClearLog();
  if (!world.peer.CallStatus("12")) world.peer.AddIncomingCall("12");
  // The next poll lists call 12; from then on the hook key answers it.
  return world.handset.WaitForLog(
      [](const std::vector<handset::LogEntry>& log) {
        for (const auto& entry : log)
          if (entry.function == "HidSetGpio" && entry.args.size() == 2 && entry.args[0] == kRingingLevel &&
              entry.args[1] == kIndicatorBits)
            return true;
        return false;
      },
      8s);
}

}  // namespace kprt5::bench
