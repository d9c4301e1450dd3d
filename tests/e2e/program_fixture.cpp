#include "program_fixture.h"

namespace e2e {

void ProgramTest::StartProgram() {
  program.Start();
  ASSERT_NE(program.WaitForWindow(), nullptr) << "the program's window did not appear";
  ASSERT_TRUE(handset.WaitForMonitor(true, 10s)) << "the program did not start the device monitor";
}

std::vector<std::string> ProgramTest::CommandTexts() const {
  std::vector<std::string> texts;
  for (const skype_peer::CommandRecord& command : peer.Commands())
    texts.push_back(command.Text() + "/" + std::to_string(command.cbData));
  return texts;
}

std::vector<std::string> ProgramTest::HandsetCalls() const {
  std::vector<std::string> calls;
  for (const kprt5::handset::LogEntry& entry : handset.Log()) calls.push_back(kprt5::handset::FormatLogEntry(entry));
  return calls;
}

void ProgramTest::PostAndSettle(UINT message, WPARAM wParam, LPARAM lParam) {
  PostMessageA(program.Window(), message, wParam, lParam);
  Settle();
}

void ProgramTest::Settle() {
  // Posted messages are handled in order, and the library hears of every device-change notice:
  // once a marked notice posted now reaches the handset, everything posted before it is done.
  static std::uint32_t marker = 0;
  const std::uint32_t mark = ++marker;
  PostMessageA(program.Window(), WM_DEVICECHANGE, kSettleMarker, static_cast<LPARAM>(mark));
  ASSERT_TRUE(handset.WaitForLog(
      [mark](const std::vector<kprt5::handset::LogEntry>& log) {
        for (const auto& entry : log)
          if (entry.function == "HidOnDeviceChange" && entry.args.size() == 2 && entry.args[0] == kSettleMarker &&
              entry.args[1] == mark)
            return true;
        return false;
      },
      10s))
      << "the program did not handle its queue";
}

}  // namespace e2e
