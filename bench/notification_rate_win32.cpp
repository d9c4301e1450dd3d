// Notification cost: how many of Skype's call notifications and call lists per second the program
// handles, against a window that answers every WM_COPYDATA with 1. Blocks of each alternate, so
// both see the same machine.
#include <chrono>
#include <stdexcept>

#include "bare_program_win32.h"
#include "measurements.h"

namespace kprt5::bench {

namespace {

// One call's life as Skype reports it; the rotation repeats it.
constexpr const char* kNotifications[] = {"CALL 12 STATUS RINGING", "CALLS 12", "CALL 12 STATUS INPROGRESS",
                                          "CALL 12 STATUS FINISHED", "CALLS "};
constexpr int kBlock = 100;

// Sends `count` notifications to `client` and returns the seconds they took.
double SendBlock(skype_peer::SkypePeer& peer, skype_peer::Hwnd client, int count, int& next) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i, ++next) {
    constexpr int kinds = static_cast<int>(std::size(kNotifications));
    if (!peer.NotifyTo(client, kNotifications[next % kinds]))
      throw std::runtime_error("a notification was not accepted");
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

Rows MeasureNotificationRate(BenchWorld& world, e2e::ProgramUnderTest& program, const BenchOptions& options) {
  BareProgram bare("bare_receiver.exe");
  HWND receiver = bare.WaitForWindow("KPRT5BenchBareReceiver");
  if (receiver == nullptr) throw std::runtime_error("the bare receiver did not start");
  double programSeconds = 0.0;
  double bareSeconds = 0.0;
  int programNext = 0;
  int bareNext = 0;
  int sent = 0;
  while (sent < options.notifications) {
    const int count = std::min(kBlock, options.notifications - sent);
    world.peer.ClearLogs();
    world.handset.ClearLog();
    programSeconds += SendBlock(world.peer, program.Window(), count, programNext);
    bareSeconds += SendBlock(world.peer, receiver, count, bareNext);
    sent += count;
  }
  Settle(world, program.Window());
  const double total = static_cast<double>(sent);
  return {{"notifications handled", "per s", total / programSeconds, total / bareSeconds, 2.0, true,
           std::to_string(sent) + " each, CALL ... STATUS ... and CALLS ..."}};
}

}  // namespace kprt5::bench
