#include "program_fixture.h"

#include "tray_input.h"

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

HWND ProgramTest::StartAndFindIcon() {
  StartProgram();
  HWND icon = nullptr;
  WaitUntil([&] { return (icon = FirstTrayIconWindow()) != nullptr; });
  return icon;
}

void ProgramTest::PostAndSettle(UINT message, WPARAM wParam, LPARAM lParam) {
  PostMessageA(program.Window(), message, wParam, lParam);
  Settle();
}

void ProgramTest::Settle() {
  ASSERT_TRUE(SettleWindow(handset, program.Window())) << "the program did not handle its queue";
}

}  // namespace e2e
