// The program's spine: single instance, start-up and shutdown order, the Skype attach sequence,
// hiding and showing the window.
#include <gtest/gtest.h>

#include "program_fixture.h"

namespace e2e {
namespace {

constexpr WPARAM kShowWindowCommand = 32772;

using Calls = std::vector<std::string>;

class SpineTest : public ProgramTest {};

TEST_F(SpineTest, SecondInstanceEndsAtOnceWithoutWindowAndLeavesTheFirstRunning) {
  StartProgram();
  ProgramUnderTest second;
  second.Start();
  bool secondShowedWindow = false;
  const bool ended = WaitUntil([&] {
    if (FindProgramWindow(second.ProcessId()) != nullptr) secondShowedWindow = true;
    return WaitForSingleObject(second.Process(), 0) == WAIT_OBJECT_0;
  });
  EXPECT_TRUE(ended) << "the second instance kept running";
  EXPECT_FALSE(secondShowedWindow);
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_EQ(WaitForSingleObject(program.Process(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(FindProgramWindow(program.ProcessId()), program.Window());
  EXPECT_EQ(TrayIconCount(), 1) << "only the first instance shows an icon";
}

TEST_F(SpineTest, AttachSendsFocusThenTheThreeAudioCommandsAndRepeatsOnEveryAttach) {
  StartProgram();
  ASSERT_TRUE(peer.SendAttach(program.Window(), skype_peer::kAttachSuccess));
  // Without a handset's audio device the names stay empty and the prefixes go out alone.
  const Calls sequence = {"FOCUS/6", "SET AUDIO_IN /14", "SET AUDIO_OUT /15", "SET RINGER /12"};
  ASSERT_TRUE(peer.WaitForCommands(4, 5s));
  EXPECT_EQ(CommandTexts(), sequence);
  for (const skype_peer::CommandRecord& command : peer.Commands()) {
    EXPECT_EQ(command.dwData, 0u);
    EXPECT_EQ(command.sender, program.Window());
    ASSERT_FALSE(command.bytes.empty());
    EXPECT_EQ(command.bytes.back(), 0) << "the zero byte is part of the payload";
  }

  ASSERT_TRUE(peer.SendAttach(program.Window(), skype_peer::kAttachSuccess));
  ASSERT_TRUE(peer.WaitForCommands(8, 5s));
  Calls twice = sequence;
  twice.insert(twice.end(), sequence.begin(), sequence.end());
  EXPECT_EQ(CommandTexts(), twice);
}

TEST_F(SpineTest, ApiAvailableBroadcastsDiscoverAtOnceAndOtherStatusesChangeNothing) {
  StartProgram();
  peer.BroadcastApiAvailable();
  ASSERT_TRUE(peer.WaitForDiscovers(1, 5s)) << "status 0x8001 must broadcast discover at once";
  EXPECT_EQ(peer.Discovers().back().client, program.Window());
  ASSERT_TRUE(peer.WaitForCommands(4, 5s)) << "the peer answers the discover with an attach";

  // Attached now: statuses 1, 2 and 3 send nothing; a further 0x8001 still broadcasts.
  peer.ClearLogs();
  for (std::uint32_t status : {skype_peer::kAttachPendingAuthorization, skype_peer::kAttachRefused,
                               skype_peer::kAttachNotAvailable})
    peer.SendAttach(program.Window(), status);
  peer.SetDiscoverAnswer(std::nullopt);
  peer.BroadcastApiAvailable();
  ASSERT_TRUE(peer.WaitForDiscovers(1, 5s));
  EXPECT_TRUE(peer.Commands().empty()) << "statuses 1, 2 and 3 must send nothing";
}

TEST_F(SpineTest, ExitRemovesIconThenStopsKeyScanHandsBackAudioStopsMonitorAndFreesTheName) {
  StartProgram();
  ASSERT_TRUE(WaitUntil([] { return TrayIconCount() == 1; }));
  Settle();
  handset.ClearLog();
  ASSERT_TRUE(program.Exit());
  EXPECT_TRUE(WaitUntil([] { return TrayIconCount() == 0; })) << "Exit removes the icon";
  EXPECT_EQ(program.ExitCode(), 0u);
  const Calls calls = HandsetCalls();
  const Calls shutdown = {"HidStopKeyScan()", "VistaSetDefaultAudio(1, 1, 1, \"Vid_7a3e&Pid_01b5\")",
                          "HidStopMonitor()"};
  ASSERT_GE(calls.size(), shutdown.size());
  EXPECT_EQ(Calls(calls.end() - 3, calls.end()), shutdown);

  ProgramUnderTest next;
  next.Start();
  EXPECT_NE(next.WaitForWindow(), nullptr) << "a new instance must start once the first has ended";
}

TEST_F(SpineTest, CloseAndEnterHideSavingTheRectangleEscHidesWithoutSavingNoneEnds) {
  StartProgram();
  ASSERT_TRUE(WaitUntil([&] { return !IsShown(program.Window()); })) << "timer 2 hides the window";

  PostAndSettle(WM_COMMAND, kShowWindowCommand, 0);
  ASSERT_TRUE(IsShown(program.Window()));
  RECT templateRect{};
  GetWindowRect(program.Window(), &templateRect);
  EXPECT_GT(templateRect.right - templateRect.left, 0) << "command 32772 restores the template rectangle";

  // Moved, then closed with the Close button: the new rectangle is saved.
  MoveWindow(program.Window(), 40, 30, templateRect.right - templateRect.left,
             templateRect.bottom - templateRect.top, TRUE);
  PostAndSettle(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_FALSE(IsShown(program.Window()));
  PostAndSettle(WM_COMMAND, kShowWindowCommand, 0);
  RECT shown{};
  GetWindowRect(program.Window(), &shown);
  EXPECT_EQ(shown.left, 40);
  EXPECT_EQ(shown.top, 30);

  // Moved again, then Esc: hidden, but the rectangle saved by Close stays.
  MoveWindow(program.Window(), 200, 150, shown.right - shown.left, shown.bottom - shown.top, TRUE);
  PostAndSettle(WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(IsShown(program.Window()));
  PostAndSettle(WM_COMMAND, kShowWindowCommand, 0);
  GetWindowRect(program.Window(), &shown);
  EXPECT_EQ(shown.left, 40);
  EXPECT_EQ(shown.top, 30);

  EXPECT_EQ(WaitForSingleObject(program.Process(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "nothing here ends it";
}

TEST_F(SpineTest, StartUpWithoutHandsetMakesNoAudioCallsAndStartsTheMonitor) {
  StartProgram();
  Settle();
  for (const std::string& call : HandsetCalls()) {
    EXPECT_EQ(call.find("VistaSetDefaultAudio(0"), std::string::npos) << call;
    EXPECT_EQ(call.find("VistaSetMicAGC"), std::string::npos) << call;
  }
  EXPECT_EQ(handset.State().monitor.vendorId, 0x7A3Eu);
  EXPECT_EQ(handset.State().monitor.productId, 0x01B5u);
}

}  // namespace
}  // namespace e2e
