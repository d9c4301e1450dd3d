// Footprint: working set, private bytes and handles of the program after start, after many
// attaches and after many calls.
#include <stdexcept>

#include "measurements.h"

namespace kprt5::bench {

FootprintTable MeasureFootprint(BenchWorld& world, e2e::ProgramUnderTest& program, const Footprint& atStart,
                                const BenchOptions& options) {
  FootprintTable table;
  table.stages.push_back("after start");
  table.figures.push_back(atStart);

  for (int attach = 0; attach < options.attaches; ++attach) {
    if (attach % 100 == 0) world.peer.ClearLogs();
    if (!world.peer.SendAttach(program.Window(), skype_peer::kAttachSuccess))
      throw std::runtime_error("an attach was not handled");
  }
  Settle(world, program.Window());
  table.stages.push_back("after " + std::to_string(options.attaches) + " attaches");
  table.figures.push_back(ReadFootprint(program.Process()));

  // A call rings and ends; the ids change from call to call.
  for (int call = 0; call < options.calls; ++call) {
    if (call % 100 == 0) {
      world.peer.ClearLogs();
      world.handset.ClearLog();
    }
    const std::string id = std::to_string(1000 + call);
    if (!world.peer.Notify("CALL " + id + " STATUS RINGING") || !world.peer.Notify("CALL " + id + " STATUS FINISHED"))
      throw std::runtime_error("a call notification was not accepted");
  }
  Settle(world, program.Window());
  table.stages.push_back("after " + std::to_string(options.calls) + " calls");
  table.figures.push_back(ReadFootprint(program.Process()));
  return table;
}

}  // namespace kprt5::bench
