// Calls through the whole program: Skype's call states drive the indicator and the speaker level,
// the hook key answers and ends the listed call, the volume keys step the level, the handset's
// arrival searches Skype and makes the handset ready; strangers' and malformed notifications change
// nothing they should not.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "media_device.h"
#include "program_fixture.h"
#include "skype_peer/copy_data_win32.h"
#include "tray_image.h"
#include "tray_tooltip.h"

namespace e2e {
namespace {

using Calls = std::vector<std::string>;
using kprt5::handset::LogEntry;

constexpr std::uint32_t kHookKey = 8;
constexpr std::uint32_t kLift = 1;
constexpr std::uint32_t kPutDown = 4;
constexpr const char* kPoll = "SEARCH ACTIVECALLS/19";
constexpr const char* kRinging = "HidSetGpio(0, 2)";
constexpr const char* kIdle = "HidSetGpio(2, 2)";

// Level bits as the handset receives them.
constexpr std::uint32_t kMinus10Db = 0xC1200000;       // -10 dB, the level before the call
constexpr std::uint32_t kRaisedForCall = 0xBD4CCCCD;   // -0.05f, the float nearest -0.05 dB
constexpr std::uint32_t kUpperLimit = 0xBD800000;      // -0.0625 dB
constexpr std::uint32_t kLowerLimit = 0xC1E30000;      // -28.375 dB

class CallTest : public ProgramTest {
 protected:
  // Starts the program and plugs the handset in: its arrival starts the search, the peer answers
  // the discover with an attach, and the attach sequence goes out. Both logs are then cleared.
  void StartAttached() {
    StartProgram();
    handset.Plug();
    ASSERT_TRUE(peer.WaitForDiscovers(1, 5s)) << "the handset's arrival must start the search";
    ASSERT_TRUE(peer.WaitForCommands(4, 5s)) << "the discover's attach must send the attach sequence";
    Settle();
    peer.ClearLogs();
    handset.ClearLog();
  }

  // Rings call 12 and waits until a call list has named it and the indicator rings `rings` times.
  void RingCall12(std::size_t rings = 1) {
    ASSERT_TRUE(peer.AddIncomingCall("12"));
    ASSERT_TRUE(handset.WaitForLog([rings](const std::vector<LogEntry>& log) { return Count(log, kRinging) >= rings; },
                                   8s))
        << "the indicator must ring once the call list names the call";
  }

  // The commands the peer received apart from the supervisor's polls.
  Calls CommandsBesidesPolls() const {
    Calls commands;
    for (const std::string& text : CommandTexts())
      if (text != kPoll) commands.push_back(text);
    return commands;
  }

  bool WaitForCommandsBesidesPolls(std::size_t count) const {
    return peer.WaitForCommands(
        [count](const std::vector<skype_peer::CommandRecord>& commands) {
          std::size_t others = 0;
          for (const auto& command : commands)
            if (command.Text() != "SEARCH ACTIVECALLS") ++others;
          return others >= count;
        },
        5s);
  }

  // The indicator calls and level writes, from entry `from` of the handset's log on.
  Calls IndicatorAndLevel(std::size_t from = 0) const {
    Calls calls;
    const std::vector<LogEntry> log = handset.Log();
    for (std::size_t i = from; i < log.size(); ++i) {
      const LogEntry& entry = log[i];
      if (entry.function == "HidSetGpio") calls.push_back(kprt5::handset::FormatLogEntry(entry));
      if (entry.function == "VistaSetSpeakerVolumeLevelDB" && entry.args.size() == 2 && entry.args[0] == 1)
        calls.push_back(Write(entry.args[1]));
    }
    return calls;
  }

  // What IndicatorAndLevel shows for a level write of these bits.
  static std::string Write(std::uint32_t bits) {
    return kprt5::handset::FormatLogEntry(
        LogEntry{"VistaSetSpeakerVolumeLevelDB", {1, bits}, kprt5::handset::kDeviceText});
  }

  static std::size_t Count(const std::vector<LogEntry>& log, const std::string& formatted) {
    std::size_t count = 0;
    for (const LogEntry& entry : log)
      if (kprt5::handset::FormatLogEntry(entry) == formatted) ++count;
    return count;
  }

  std::uint32_t LevelBits() const { return std::bit_cast<std::uint32_t>(handset.SpeakerLevelDb()); }
};

TEST_F(CallTest, RingingRaisesTheLevelLiftAnswersInProgressRestoresPutDownEndsAndClosesTheApplication) {
  skype_peer::TApplicationWindow application;
  StartAttached();
  handset.SetSpeakerLevelDb(-10.0f);

  // RINGING alone leaves the indicator idle; once a poll lists the call, every notification raises
  // the level (saving -10 dB once) and rings. Two rounds, so the second raise must not save again.
  // (A poll may have found no call before the call rang: each such list, and RINGING itself, sets idle.)
  RingCall12(2);
  Calls ringing = IndicatorAndLevel();
  const auto firstRaise = std::find_if(ringing.begin(), ringing.end(), [](const std::string& call) { return call != kIdle; });
  EXPECT_NE(firstRaise, ringing.begin()) << "RINGING alone sets the indicator idle";
  ringing.erase(ringing.begin(), firstRaise);
  ASSERT_GE(ringing.size(), 4u);
  EXPECT_EQ(Calls(ringing.begin(), ringing.begin() + 4),
            (Calls{Write(kRaisedForCall), kRinging, Write(kRaisedForCall), kRinging}));
  EXPECT_EQ(LevelBits(), kRaisedForCall);
  EXPECT_TRUE(CommandsBesidesPolls().empty()) << "ringing sends Skype nothing";

  // Lifted: FOCUS, then the answer for the listed call; Skype's INPROGRESS notification sets the
  // indicator idle and writes the saved level back.
  const std::size_t beforeLift = handset.Log().size();
  handset.SendDeviceMessage(kHookKey, kLift, 0);
  ASSERT_TRUE(WaitForCommandsBesidesPolls(2));
  EXPECT_EQ(CommandsBesidesPolls(), (Calls{"FOCUS/6", "SET CALL 12 STATUS INPROGRESS/30"}));
  EXPECT_EQ(peer.CallStatus("12"), "INPROGRESS");
  ASSERT_TRUE(handset.WaitForLog([](const std::vector<LogEntry>& log) { return Count(log, kIdle) >= 2; }, 5s));
  Settle();
  const Calls answered = IndicatorAndLevel(beforeLift);
  ASSERT_GE(answered.size(), 2u);
  EXPECT_EQ(Calls(answered.begin(), answered.begin() + 2), (Calls{kIdle, Write(kMinus10Db)}));
  EXPECT_EQ(LevelBits(), kMinus10Db);
  for (std::size_t i = 2; i < answered.size(); ++i) EXPECT_EQ(answered[i], kIdle) << "nothing more is written";

  // Put down: the hang-up for the listed call, and WM_CLOSE to the application window.
  handset.SendDeviceMessage(kHookKey, kPutDown, 0);
  ASSERT_TRUE(WaitForCommandsBesidesPolls(3));
  EXPECT_EQ(CommandsBesidesPolls(),
            (Calls{"FOCUS/6", "SET CALL 12 STATUS INPROGRESS/30", "SET CALL 12 STATUS FINISHED/28"}));
  EXPECT_TRUE(application.WaitForCloses(1, 5s)) << "the hang-up must close the TApplication window";
  Settle();
  EXPECT_EQ(application.CloseCount(), 1u);
  EXPECT_EQ(peer.CallStatus("12"), "FINISHED");
  for (const skype_peer::CommandRecord& command : peer.Commands()) {
    EXPECT_EQ(command.sender, program.Window());
    EXPECT_EQ(command.dwData, 0u);
  }
}

// Skype's version value under the current user, as Skype writes it; removed again at the end.
class PlantedSkypeVersion {
 public:
  explicit PlantedSkypeVersion(DWORD version) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
      return;
    planted_ = RegSetValueExA(key, "Version", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&version),
                              sizeof version) == ERROR_SUCCESS;
    RegCloseKey(key);
  }
  ~PlantedSkypeVersion() { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }
  PlantedSkypeVersion(const PlantedSkypeVersion&) = delete;
  PlantedSkypeVersion& operator=(const PlantedSkypeVersion&) = delete;
  bool Planted() const { return planted_; }

 private:
  static constexpr const char* kKey = "Software\\Skype\\Phone\\UI";
  bool planted_ = false;
};

TEST_F(CallTest, SkypeVersionInTheGateAcceptsRingingOnlyRightAfterAConfNotification) {
  PlantedSkypeVersion version(0x2050000);
  ASSERT_TRUE(version.Planted());
  StartAttached();

  // The call's RINGING follows no CONF notification: ignored, so listing the call rings nothing.
  ASSERT_TRUE(peer.AddIncomingCall("12"));
  ASSERT_TRUE(peer.WaitForSent(
      [](const std::vector<skype_peer::SentRecord>& sent) {
        return std::any_of(sent.begin(), sent.end(), [](const skype_peer::SentRecord& record) {
          return record.kind == skype_peer::SentRecord::Kind::Reply && record.text == "CALLS 12" && record.sent;
        });
      },
      5s));
  Settle();
  EXPECT_EQ(Count(handset.Log(), kRinging), 0u) << "a RINGING without CONF before it was accepted";

  // Right after a CONF_ID notification of the call, RINGING counts, and the listed call rings.
  ASSERT_TRUE(peer.Notify("CALL 12 CONF_ID 0"));
  const std::size_t beforeRinging = handset.Log().size();
  ASSERT_TRUE(peer.Notify("CALL 12 STATUS RINGING"));
  const Calls accepted = IndicatorAndLevel(beforeRinging);
  ASSERT_GE(accepted.size(), 2u);
  EXPECT_EQ(Calls(accepted.begin(), accepted.begin() + 2), (Calls{Write(kRaisedForCall), kRinging}));
}

struct VolumeCase {
  const char* name;
  float before;
  std::uint32_t message;
  std::uint32_t wParam;
  std::optional<std::uint32_t> written;  // the level bits written; nothing: no write is due
};

TEST_F(CallTest, VolumeKeysStepTheLevelBitForBit) {
  StartProgram();
  handset.Plug();  // the audio function answers only while plugged
  ASSERT_TRUE(handset.WaitUntil([](const kprt5::handset::HandsetState& state) { return state.plugged; }, 5s));
  const VolumeCase cases[] = {
      {"4 up from -10 dB", -10.0f, 4, 1, 0xC114ACCD},                  // -9.2921877
      {"4 up again", std::bit_cast<float>(0xC114ACCDu), 4, 1, 0xC109599A},  // -8.5843754
      {"4 down", std::bit_cast<float>(0xC109599Au), 4, 2, 0xC114ACCD},
      {"5 down back to -10 dB", std::bit_cast<float>(0xC114ACCDu), 5, 2, kMinus10Db},
      {"5 up", -10.0f, 5, 1, 0xC114ACCD},
      {"up is capped at -0.0625 dB", -0.5f, 4, 1, kUpperLimit},
      {"down from below the threshold floors at -28.375 dB", -28.0f, 5, 2, kLowerLimit},
      {"down above the threshold steps", -27.5f, 4, 2, 0xC1E1A99A},  // -28.207813
      {"4 with code 3 does nothing", -10.0f, 4, 3, std::nullopt},
      {"5 with code 0 does nothing", -10.0f, 5, 0, std::nullopt},
  };
  // Device messages reach the window through the library's own thread, so each row waits for the
  // write it causes. A row that writes nothing is followed by a volume-down press, from -10 dB
  // to 0xC12B5333 (-10.707813), and that press's write must then be the only one.
  constexpr std::uint32_t kMarkerWrite = 0xC12B5333;
  for (const VolumeCase& c : cases) {
    SCOPED_TRACE(c.name);
    handset.SetSpeakerLevelDb(c.before);
    handset.ClearLog();
    handset.SendDeviceMessage(c.message, c.wParam, 0);
    if (!c.written) handset.SendDeviceMessage(5, 2, 0);
    const std::uint32_t expected = c.written ? *c.written : kMarkerWrite;
    ASSERT_TRUE(handset.WaitForLog(
        [expected](const std::vector<LogEntry>& log) {
          for (const LogEntry& entry : log)
            if (entry.function == "VistaSetSpeakerVolumeLevelDB" && entry.args == std::vector<std::uint32_t>{1, expected})
              return true;
          return false;
        },
        5s));
    Settle();
    EXPECT_EQ(IndicatorAndLevel(), Calls{Write(expected)});
    EXPECT_EQ(LevelBits(), expected);
  }
}

TEST_F(CallTest, ArrivalSearchesSkypeEvenWhileAttachedSelectsTheDefaultDeviceWhenPresentAndReadiesRemovalUnreadies) {
  StartProgram();
  const std::string programPath = program.Folder() + "\\KPRT5.exe";
  const std::string ready = ProgramString(programPath, kReadyTooltipId);
  const std::string notReady = ProgramString(programPath, kNotReadyTooltipId);
  ASSERT_FALSE(ready.empty());
  ASSERT_FALSE(notReady.empty());

  // Attached, but no handset yet: the polls go out, no search, and the tray says not ready.
  ASSERT_TRUE(peer.SendAttach(program.Window(), skype_peer::kAttachSuccess));
  ASSERT_TRUE(peer.WaitForCommands(
      [](const std::vector<skype_peer::CommandRecord>& commands) {
        return !commands.empty() && commands.back().Text() == "SEARCH ACTIVECALLS";
      },
      5s));
  EXPECT_TRUE(peer.Discovers().empty());
  EXPECT_TRUE(WaitUntil([&] { return TrayTooltips() == std::vector<std::string>{notReady}; }, 5s))
      << "the tray shows " << (TrayTooltips().empty() ? "no tooltip" : TrayTooltips().front());

  // Device message 0: a discover on the next cycle although attached, ready from then on. Without
  // the handset's media device the presence test fails and the default device stays as it is.
  peer.ClearLogs();
  handset.ClearLog();
  handset.Plug();
  ASSERT_TRUE(peer.WaitForDiscovers(1, 5s)) << "device message 0 must set discoveryPending";
  EXPECT_EQ(peer.Discovers().front().client, program.Window());
  EXPECT_TRUE(WaitUntil([&] { return TrayTooltips() == std::vector<std::string>{ready}; }, 5s))
      << "the tray shows " << (TrayTooltips().empty() ? "no tooltip" : TrayTooltips().front());
  for (const std::string& call : HandsetCalls()) EXPECT_EQ(call.find("VistaSetDefaultAudio"), std::string::npos) << call;

  // Device message 1: not ready on the next cycle, and no search.
  peer.ClearLogs();
  handset.Unplug();
  EXPECT_TRUE(WaitUntil([&] { return TrayTooltips() == std::vector<std::string>{notReady}; }, 5s));
  EXPECT_TRUE(peer.Discovers().empty());

  // With the handset's media device present, device message 0 also makes it the default device.
  PlantedMediaDevice mediaDevice;
  ASSERT_TRUE(mediaDevice.Planted());
  handset.ClearLog();
  handset.Plug();
  ASSERT_TRUE(handset.WaitForCall("VistaSetDefaultAudio", 5s)) << "the default device must be reselected";
  ASSERT_TRUE(peer.WaitForDiscovers(1, 5s));
  EXPECT_TRUE(WaitUntil([&] { return TrayTooltips() == std::vector<std::string>{ready}; }, 5s));
  Calls selections;
  for (const std::string& call : HandsetCalls())
    if (call.starts_with("VistaSetDefaultAudio")) selections.push_back(call);
  EXPECT_EQ(selections, Calls{"VistaSetDefaultAudio(0, 1, 1, \"Vid_7a3e&Pid_01b5\")"});
}

TEST_F(CallTest, CopyDataFromAForeignWindowChangesNothing) {
  StartAttached();
  RingCall12();
  // Skype goes quiet, so no call list can mend what a stranger might have changed.
  peer.SetSilent(true);
  Settle();
  const std::size_t before = handset.Log().size();

  skype_peer::ForeignWindow stranger;
  for (const char* text : {"CALLS 99", "CALL 12 STATUS INPROGRESS", "CALL 12 STATUS FINISHED"}) {
    const std::string bytes = std::string(text) + '\0';
    const std::optional<std::intptr_t> answer = stranger.SendRaw(
        program.Window(), {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()},
        static_cast<std::uint32_t>(bytes.size()), false, 0);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, 0) << "a stranger's " << text << " gets default processing, not the notification's 1";
  }
  Settle();
  for (std::size_t i = before; i < handset.Log().size(); ++i)
    EXPECT_EQ(handset.Log()[i].function, "HidOnDeviceChange") << "a stranger's text drove the handset";

  handset.SendDeviceMessage(kHookKey, kLift, 0);
  ASSERT_TRUE(WaitForCommandsBesidesPolls(2));
  EXPECT_EQ(CommandsBesidesPolls(), (Calls{"FOCUS/6", "SET CALL 12 STATUS INPROGRESS/30"}));
}

TEST_F(CallTest, OnlyTheWindowInSkypeWindowIsHeardZeroBeforeAttachAndAgainAfterAFailedFocus) {
  StartProgram();
  const HWND window = program.Window();
  // Answered 1 when the program took the text for Skype's, 0 when it gave it default processing.
  const auto answer = [&](HWND from, const std::string& text) {
    return skype_peer::SendCopyDataText(window, from, text, 5s).answer;
  };
  EXPECT_EQ(answer(nullptr, "CALLS 12"), 1) << "before any attach skypeWindow is 0";
  EXPECT_EQ(answer(peer.Window(), "CALLS 13"), 0) << "the peer is not heard before it attached";

  ASSERT_TRUE(peer.SendAttach(window, skype_peer::kAttachSuccess));
  ASSERT_TRUE(peer.WaitForCommands(4, 5s));
  EXPECT_EQ(answer(peer.Window(), "CALLS 12"), 1);
  EXPECT_EQ(answer(nullptr, "CALLS 14"), 0) << "after the attach, wParam 0 is a stranger";

  // Skype fails the FOCUS: its window is forgotten, the answer goes to no window, and the peer is
  // no longer heard while wParam 0 is again.
  peer.ClearLogs();
  peer.SetCommandResult(0);
  peer.SetDiscoverAnswer(std::nullopt);  // the search the handset's arrival starts finds nobody
  handset.Plug();                        // device messages need the handset
  handset.SendDeviceMessage(kHookKey, kLift, 0);
  ASSERT_TRUE(peer.WaitForCommands(
      [](const std::vector<skype_peer::CommandRecord>& commands) {
        return std::any_of(commands.begin(), commands.end(),
                           [](const skype_peer::CommandRecord& command) { return command.Text() == "FOCUS"; });
      },
      5s));
  EXPECT_TRUE(WaitUntil([&] { return answer(peer.Window(), "CALLS 12") == 0; }, 5s))
      << "a failed FOCUS must forget Skype's window";
  EXPECT_EQ(answer(nullptr, "CALLS 15"), 1);
  Settle();
  for (const std::string& text : CommandsBesidesPolls())
    EXPECT_EQ(text.find("SET CALL"), std::string::npos) << "the answer must go to no window, not to the peer";
}

// One malformed notification of the flood; none of them may name a call list.
struct Malformed {
  std::vector<std::uint8_t> bytes;
  std::uint32_t cbData;
  bool lpDataNull;
};

Malformed Text(const std::string& text, bool withZero) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  if (withZero) bytes.push_back(0);
  return {bytes, static_cast<std::uint32_t>(bytes.size()), false};
}

// The flood's usual kinds. After a missed call (nothing in progress or routing, no ringing seen)
// none of them drives the handset, so each costs only its send: every handset call opens a pipe
// connection of its own, which would slow the flood to about 30 ms a notification.
std::vector<Malformed> UsualKinds(std::mt19937& random) {
  std::vector<Malformed> kinds;
  kinds.push_back(Text("CALL 12 STATUS ONHOLD", false));
  // Lists that only a reader past cbData, or one that ignores a cbData of 0, would see.
  kinds.push_back({{'C', 'A', 'L', 'L', 'S', ' ', '5', '5', 0}, 0, false});
  kinds.push_back({{'C', 'A', 'L', 'L', 'S', ' ', '5', '6', 0}, 3, false});
  kinds.push_back({{}, 9, true});
  kinds.push_back(Text("CALL " + std::string(40, '4') + " STATUS INPROGRESS", true));
  kinds.push_back(Text("CALL " + std::string(40, '4') + " STATUS FINISHED", false));
  kinds.push_back(Text("CALL 12STATUS", false));
  kinds.push_back(Text("CALL ", false));
  std::uniform_int_distribution<int> length(1, 300);
  std::uniform_int_distribution<int> byte(0, 255);
  while (kinds.size() < 16) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length(random)));
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(byte(random));
    const std::string text(bytes.begin(), bytes.end());
    if (text.find("CALLS ") != std::string::npos || text.starts_with("CALL ")) continue;
    kinds.push_back({bytes, static_cast<std::uint32_t>(bytes.size()), false});
  }
  return kinds;
}

TEST_F(CallTest, FloodOfMalformedNotificationsLeavesTheProgramAnsweringTheListedCall) {
  StartAttached();
  RingCall12();
  // Skype goes quiet, so no call list can mend what the flood might have changed; the missed call
  // keeps 12 listed first.
  peer.SetSilent(true);
  ASSERT_TRUE(peer.Notify("CALL 12 STATUS MISSED"));
  Settle();

  std::mt19937 random(5);
  const std::vector<Malformed> usual = UsualKinds(random);
  // Once in a thousand: a RINGING of a 40-character id (the indicator rings and the level rises),
  // the MISSED of another call without a zero byte after it, and 64 KiB without a zero byte.
  const Malformed ringing = Text("CALL " + std::string(40, '7') + " STATUS RINGING", true);
  const Malformed missed = Text("CALL 7 STATUS MISSED", false);
  const Malformed large{std::vector<std::uint8_t>(64 * 1024, 'S'), 64 * 1024, false};
  const HWND skype = peer.Window();
  constexpr int kFlood = 100000;
  constexpr auto kBudget = 20s;
  const auto started = std::chrono::steady_clock::now();
  int sent = 0;
  int unanswered = 0;
  for (; sent < kFlood && std::chrono::steady_clock::now() - started < kBudget; ++sent) {
    const int phase = sent % 1000;
    const Malformed& kind = phase == 500   ? ringing
                            : phase == 501 ? missed
                            : phase == 999 ? large
                                           : usual[static_cast<std::size_t>(sent) % usual.size()];
    const skype_peer::SendOutcome outcome = skype_peer::SendCopyDataRaw(
        program.Window(), skype, kind.bytes, kind.cbData, kind.lpDataNull, static_cast<std::uintptr_t>(sent), 5s);
    if (!outcome.Accepted()) ++unanswered;
  }
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  std::printf("flood: %d malformed notifications in %lld ms\n", sent, static_cast<long long>(took.count()));
  RecordProperty("flood_sent", sent);
  RecordProperty("flood_ms", static_cast<int>(took.count()));
  EXPECT_GE(sent, 1000) << "the flood must reach its rare kinds at least once";
  EXPECT_EQ(unanswered, 0) << "every notification from Skype's window is handled and answered 1";
  EXPECT_EQ(WaitForSingleObject(program.Process(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the program ended";

  handset.SendDeviceMessage(kHookKey, kLift, 0);
  ASSERT_TRUE(WaitForCommandsBesidesPolls(2));
  EXPECT_EQ(CommandsBesidesPolls(), (Calls{"FOCUS/6", "SET CALL 12 STATUS INPROGRESS/30"}));
}

// One whole call as the user sees it in the notification area: not ready until Skype is attached
// and the handset plugged in, ready from the first ring through the answer to the hang-up, and not
// ready again once the handset is unplugged. The image is read from the tray's pixels at each step.
TEST_F(CallTest, WholeCallFromTheFirstRingToTheHangUpShowsTheTrayStateAtEachStep) {
  skype_peer::TApplicationWindow application;
  StartProgram();
  const std::string programPath = program.Folder() + "\\KPRT5.exe";
  const std::vector<std::string> ready = {ProgramString(programPath, kReadyTooltipId)};
  const std::vector<std::string> notReady = {ProgramString(programPath, kNotReadyTooltipId)};
  ASSERT_FALSE(ready.front().empty());
  ASSERT_FALSE(notReady.front().empty());
  const auto expectTray = [&](bool shouldBeReady, const char* step) {
    const auto shows = [&] {
      return (shouldBeReady ? TrayShowsReady() : TrayShowsNotReady()) &&
             TrayTooltips() == (shouldBeReady ? ready : notReady);
    };
    const std::vector<std::string> tooltips = TrayTooltips();
    EXPECT_TRUE(WaitUntil(shows, 5s)) << step << ": the tray must show " << (shouldBeReady ? "ready" : "not ready")
                                      << "; it shows " << DescribeTrayIcon() << ", tooltip \""
                                      << (tooltips.empty() ? std::string("none") : tooltips.front()) << "\"";
  };
  expectTray(false, "started, no handset and no Skype attached");

  handset.Plug();
  ASSERT_TRUE(peer.WaitForCommands(4, 5s)) << "the handset's arrival must lead to the attach";
  expectTray(true, "attached with the handset plugged in");

  RingCall12();
  expectTray(true, "ringing");

  handset.SendDeviceMessage(kHookKey, kLift, 0);
  ASSERT_TRUE(WaitForCommandsBesidesPolls(2));
  ASSERT_TRUE(WaitUntil([&] { return peer.CallStatus("12") == "INPROGRESS"; }, 5s));
  Settle();
  expectTray(true, "answered, in progress");

  handset.SendDeviceMessage(kHookKey, kPutDown, 0);
  ASSERT_TRUE(application.WaitForCloses(1, 5s)) << "the hang-up must close the TApplication window";
  ASSERT_TRUE(WaitUntil([&] { return peer.CallStatus("12") == "FINISHED"; }, 5s));
  Settle();
  expectTray(true, "hung up");
  EXPECT_EQ(CommandsBesidesPolls(),
            (Calls{"FOCUS/6", "SET AUDIO_IN /14", "SET AUDIO_OUT /15", "SET RINGER /12", "FOCUS/6",
                   "SET CALL 12 STATUS INPROGRESS/30", "SET CALL 12 STATUS FINISHED/28"}));

  handset.Unplug();
  expectTray(false, "the handset unplugged");
}

}  // namespace
}  // namespace e2e
