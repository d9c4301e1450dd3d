// Hung programs next to the middleware: a foreign top-level window that stops pumping must not
// freeze discovery or the hook key, and a hung Skype costs a command its time-out, nothing more.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "hung_window.h"
#include "program_fixture.h"

namespace e2e {
namespace {

using std::chrono::steady_clock;
using Texts = std::vector<std::string>;

// The program waits at most this long for one receiver.
constexpr auto kSendTimeout = 3s;
// A broadcast may wait the time-out twice for a hung thread (its window and its IME window),
// and a command may be queued behind it.
constexpr auto kResponseLimit = 3 * kSendTimeout + 2s;

constexpr std::uint32_t kHookKeyMessage = 8;
constexpr std::uint32_t kHookLifted = 1;
constexpr std::uint32_t kHookPutDown = 0;
constexpr std::uint32_t kVolumeKeyMessage = 5;
constexpr std::uint32_t kVolumeDown = 2;

class HangTest : public ProgramTest {
 protected:
  // The commands other than the supervisor's poll, as "FOCUS/6".
  Texts CommandsBesidesPolls() const {
    Texts texts = CommandTexts();
    std::erase(texts, "SEARCH ACTIVECALLS/19");
    return texts;
  }

  bool WaitForCommandsBesidesPolls(const Texts& expected, std::chrono::milliseconds timeout) const {
    return WaitUntil([&] { return CommandsBesidesPolls() == expected; }, timeout);
  }

  // Attached by the peer's own attach message, without a discover.
  void Attach() {
    ASSERT_TRUE(peer.SendAttach(program.Window(), skype_peer::kAttachSuccess));
    ASSERT_TRUE(peer.WaitForCommands(4, 10s)) << "the attach sequence did not reach the peer";
  }

  // Sends a device message, then a volume-down press as a marker: device messages reach the window
  // through the library's thread in order, so once the marker's level write arrives, the window
  // has handled the first message.
  bool SendDeviceMessageAndWaitHandled(std::uint32_t n, std::uint32_t wParam, std::chrono::milliseconds timeout) {
    const auto writes = [](const std::vector<kprt5::handset::LogEntry>& log) {
      return std::count_if(log.begin(), log.end(), [](const kprt5::handset::LogEntry& entry) {
        return entry.function == "VistaSetSpeakerVolumeLevelDB";
      });
    };
    const auto before = writes(handset.Log());
    handset.SetSpeakerLevelDb(-10.0f);
    handset.SendDeviceMessage(n, wParam, 0);
    handset.SendDeviceMessage(kVolumeKeyMessage, kVolumeDown, 0);
    return handset.WaitForLog([&](const std::vector<kprt5::handset::LogEntry>& log) { return writes(log) > before; },
                              timeout);
  }

  bool WaitForCallListReply(std::string_view text) const {
    return peer.WaitForSent(
        [text](const std::vector<skype_peer::SentRecord>& sent) {
          return std::any_of(sent.begin(), sent.end(), [text](const skype_peer::SentRecord& record) {
            return record.kind == skype_peer::SentRecord::Kind::Reply && record.text == text && record.sent &&
                   record.answer == 1;
          });
        },
        15s);
  }
};

TEST_F(HangTest, HungForeignWindowStopsNeitherDiscoveryNorTheHookKey) {
  const HungTopLevelWindow hung;
  ASSERT_NE(hung.Window(), nullptr);
  StartProgram();
  peer.SetDiscoverAnswer(std::nullopt);  // the search stays pending: a broadcast every cycle
  Attach();
  handset.Plug();  // the handset's arrival starts the search

  ASSERT_TRUE(peer.WaitForDiscovers(2, 4 * kResponseLimit))
      << "the discover broadcast stopped at the hung window";
  EXPECT_EQ(peer.Discovers().back().client, program.Window());

  // A ringing call that the poll's reply, handled nested inside the poll's send, makes the first listed.
  ASSERT_TRUE(peer.AddIncomingCall("12"));
  ASSERT_TRUE(WaitForCallListReply("CALLS 12"));
  peer.ClearLogs();

  const auto pressed = steady_clock::now();
  handset.SendDeviceMessage(kHookKeyMessage, kHookLifted, 0);
  EXPECT_TRUE(WaitForCommandsBesidesPolls({"FOCUS/6", "SET CALL 12 STATUS INPROGRESS/30"}, kResponseLimit))
      << "the hook key was not answered while a foreign window hangs; it sent "
      << testing::PrintToString(CommandsBesidesPolls());
  EXPECT_LT(steady_clock::now() - pressed, kResponseLimit);
  EXPECT_EQ(peer.CallStatus("12"), "INPROGRESS");

  EXPECT_TRUE(peer.WaitForDiscovers(1, 2 * kResponseLimit)) << "discovery must go on past the hung window";
  Settle();
}

TEST_F(HangTest, HungSkypeFailsTheCommandByTimeOutAndTheProgramRecoversWhenSkypeDoes) {
  StartProgram();
  handset.Plug();  // device messages need the handset; its arrival starts the search, and the peer attaches
  ASSERT_TRUE(peer.WaitForCommands(4, 15s)) << "the attach sequence did not reach the peer";
  const Texts attachSequence = {"FOCUS/6", "SET AUDIO_IN /14", "SET AUDIO_OUT /15", "SET RINGER /12"};
  ASSERT_EQ(CommandsBesidesPolls(), attachSequence);

  constexpr auto kHang = 15s;
  peer.Hang(kHang);
  ASSERT_TRUE(peer.Hanging());
  const auto pressed = steady_clock::now();
  // A poll already on its way may take its own time-out before the hook's "FOCUS" takes its own.
  EXPECT_TRUE(SendDeviceMessageAndWaitHandled(kHookKeyMessage, kHookLifted, 2 * kSendTimeout + 3s))
      << "the hook key froze the program while Skype hangs";
  EXPECT_LT(steady_clock::now() - pressed, 2 * kSendTimeout + 3s);
  EXPECT_TRUE(peer.Hanging()) << "the program waited for the hung Skype to wake";
  peer.Wake();
  ASSERT_TRUE(WaitUntil([&] { return !peer.Hanging(); }));
  Settle();
  EXPECT_EQ(CommandsBesidesPolls(), attachSequence) << "a command that timed out must not reach Skype later";

  // The failed "FOCUS" forgot Skype's window; the supervisor finds it again once the polls miss.
  peer.ClearLogs();
  ASSERT_TRUE(peer.WaitForCommands(
      [](const std::vector<skype_peer::CommandRecord>& commands) {
        return std::any_of(commands.begin(), commands.end(),
                           [](const skype_peer::CommandRecord& command) { return command.Text() == "SET RINGER "; });
      },
      30s))
      << "the program did not attach again after Skype woke";
  EXPECT_FALSE(peer.Discovers().empty()) << "the new attach follows a discover";

  peer.ClearLogs();
  handset.SendDeviceMessage(kHookKeyMessage, kHookPutDown, 0);
  handset.SendDeviceMessage(kHookKeyMessage, kHookLifted, 0);
  EXPECT_TRUE(WaitForCommandsBesidesPolls({"FOCUS/6", "SET CALL  STATUS INPROGRESS/28"}, 10s))
      << "the next hook press must reach Skype again; it sent " << testing::PrintToString(CommandsBesidesPolls());
}

}  // namespace
}  // namespace e2e
