// Faults around the running program: Skype killed mid-call, attach refused and pending, second
// instances, the taskbar restarting, the handset pulled and put back, notification floods, and
// odd registry values. After each the program runs (or ended the way it should), the per-user
// autostart value it must keep is still there, and every end hands the default audio device back.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "program_fixture.h"
#include "skype_peer/copy_data_win32.h"

namespace e2e {
namespace {

using Calls = std::vector<std::string>;
using kprt5::handset::LogEntry;
using Clock = std::chrono::steady_clock;

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kAutostartValue = "VizeRizozMiddleware";
const std::string kKeptUserValue = "D:\\Tools\\dialer.exe";
const std::string kMiddlewarePath = "C:\\Program Files (x86)\\ZELT KP-RT5\\MW\\KPRT5.exe";

constexpr std::uint32_t kHookKey = 8;
constexpr std::uint32_t kLift = 1;
constexpr const char* kRinging = "HidSetGpio(0, 2)";
constexpr const char* kIdle = "HidSetGpio(2, 2)";
constexpr const char* kHandBack = "VistaSetDefaultAudio(1, 1, 1, \"Vid_7a3e&Pid_01b5\")";
constexpr std::uint32_t kMinus10Db = 0xC1200000;
constexpr std::uint32_t kRaisedForCall = 0xBD4CCCCD;

// A registry value of any type and bytes, as another program may leave it.
struct RawValue {
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> bytes;
  bool operator==(const RawValue&) const = default;
};

void SetRawValue(HKEY root, const RawValue& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, kRunKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
  const LONG written = RegSetValueExA(key, kAutostartValue, 0, value.type, value.bytes.data(),
                                      static_cast<DWORD>(value.bytes.size()));
  RegCloseKey(key);
  ASSERT_EQ(written, ERROR_SUCCESS);
}

std::optional<RawValue> ReadRawValue(HKEY root) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  RawValue value;
  value.bytes.resize(4096);
  DWORD size = static_cast<DWORD>(value.bytes.size());
  const LONG read = RegQueryValueExA(key, kAutostartValue, nullptr, &value.type, value.bytes.data(), &size);
  RegCloseKey(key);
  if (read != ERROR_SUCCESS) return std::nullopt;
  value.bytes.resize(size);
  return value;
}

RawValue Text(const std::string& text) {
  RawValue value{REG_SZ, std::vector<std::uint8_t>(text.begin(), text.end())};
  value.bytes.push_back(0);
  return value;
}

class FaultTest : public ProgramTest {
 protected:
  void SetUp() override { SetUserAutostartValue(kKeptUserValue); }

  // Starts the program, plugs the handset in and waits for the attach sequence; logs cleared.
  void StartAttached() {
    StartProgram();
    handset.Plug();
    ASSERT_TRUE(peer.WaitForCommands(4, 8s)) << "the handset's arrival must search and attach";
    Settle();
    peer.ClearLogs();
    handset.ClearLog();
  }

  bool Running() const { return WaitForSingleObject(program.Process(), 0) == WAIT_TIMEOUT; }

  // The commands other than the supervisor's poll.
  Calls CommandsBesidesPolls() const {
    Calls texts = CommandTexts();
    std::erase(texts, "SEARCH ACTIVECALLS/19");
    return texts;
  }

  bool WaitForCommand(const std::string& text, std::chrono::milliseconds timeout) const {
    return peer.WaitForCommands(
        [&](const std::vector<skype_peer::CommandRecord>& commands) {
          return std::any_of(commands.begin(), commands.end(),
                             [&](const skype_peer::CommandRecord& command) { return command.Text() == text; });
        },
        timeout);
  }

  bool WaitForCallList(const std::string& text, std::chrono::milliseconds timeout) const {
    return peer.WaitForSent(
        [&](const std::vector<skype_peer::SentRecord>& sent) {
          return std::any_of(sent.begin(), sent.end(), [&](const skype_peer::SentRecord& record) {
            return record.kind == skype_peer::SentRecord::Kind::Reply && record.text == text && record.sent;
          });
        },
        timeout);
  }

  // The hook key answers the listed call: the program is responsive and its tracker intact.
  void ExpectLiftAnswers(const std::string& id) {
    peer.ClearLogs();
    handset.SendDeviceMessage(kHookKey, kLift, 0);
    const std::string answer = "SET CALL " + id + " STATUS INPROGRESS";
    EXPECT_TRUE(WaitForCommand(answer, 8s)) << "the hook key was not answered; sent "
                                            << testing::PrintToString(CommandsBesidesPolls());
    const Calls expected = {"FOCUS/6", answer + "/" + std::to_string(answer.size() + 1)};
    EXPECT_EQ(CommandsBesidesPolls(), expected);
  }

  // Ends the running program through its tray menu and checks that it handed the default audio
  // device back and left the per-user value alone.
  void ExpectCleanEnd(const std::string& userValue) {
    ASSERT_TRUE(Running()) << "the program ended on its own";
    const std::size_t before = handset.Log().size();
    ASSERT_TRUE(program.Exit()) << "the program did not end on Exit";
    EXPECT_EQ(program.ExitCode(), 0u);
    ExpectHandedBackAfter(before);
    EXPECT_EQ(ReadUserAutostartValue(), userValue) << "the per-user autostart value was lost";
  }

  void ExpectHandedBackAfter(std::size_t from) {
    const std::vector<LogEntry> log = handset.Log();
    const bool handedBack = std::any_of(log.begin() + static_cast<std::ptrdiff_t>(std::min(from, log.size())),
                                        log.end(), [](const LogEntry& entry) {
                                          return kprt5::handset::FormatLogEntry(entry) == kHandBack;
                                        });
    EXPECT_TRUE(handedBack) << "the default audio device was not handed back";
  }

  std::uint32_t LevelBits() const { return std::bit_cast<std::uint32_t>(handset.SpeakerLevelDb()); }

  std::string LastIndicatorCall() const {
    std::string last;
    for (const LogEntry& entry : handset.Log())
      if (entry.function == "HidSetGpio") last = kprt5::handset::FormatLogEntry(entry);
    return last;
  }
};

TEST_F(FaultTest, SkypeKilledWhileACallRingsIsAttachedAgainAndTheLevelComesBackOnceTheListEmpties) {
  StartAttached();
  handset.SetSpeakerLevelDb(-10.0f);
  ASSERT_TRUE(peer.AddIncomingCall("12"));
  ASSERT_TRUE(WaitUntil([&] { return LastIndicatorCall() == kRinging; }, 8s)) << "the call did not ring";
  ASSERT_EQ(LevelBits(), kRaisedForCall);

  // Skype is killed mid-ring and comes back with a new window and its broadcast; the call is
  // still ringing there.
  const skype_peer::Hwnd oldWindow = peer.Window();
  peer.Die();
  peer.ClearLogs();
  peer.Restart(true);
  ASSERT_NE(peer.Window(), oldWindow);
  ASSERT_TRUE(WaitForCommand("SET RINGER ", 8s)) << "the program did not attach to the new window";
  ASSERT_TRUE(WaitForCallList("CALLS 12", 8s));
  EXPECT_TRUE(Running());

  // The call ends in the new Skype: once the call list is empty the indicator is idle and the
  // level saved before the ring is written back.
  ASSERT_TRUE(peer.SetCallStatus("12", "MISSED"));
  ASSERT_TRUE(WaitForCallList("CALLS ", 8s));
  EXPECT_TRUE(WaitUntil([&] { return LevelBits() == kMinus10Db && LastIndicatorCall() == kIdle; }, 6s))
      << "level " << std::hex << LevelBits() << ", indicator " << LastIndicatorCall();
  for (const skype_peer::CommandRecord& command : peer.Commands()) EXPECT_EQ(command.sender, program.Window());
  ExpectCleanEnd(kKeptUserValue);
}

TEST_F(FaultTest, AttachRefusedThenPendingThenGrantedSendsNothingUntilGranted) {
  peer.SetDiscoverAnswer(skype_peer::kAttachRefused);
  StartProgram();
  handset.Plug();  // the arrival starts the search at once
  ASSERT_TRUE(peer.WaitForDiscovers(2, 8s)) << "a refusal must not stop the search";
  peer.SetDiscoverAnswer(skype_peer::kAttachPendingAuthorization);
  const std::size_t refused = peer.Discovers().size();
  ASSERT_TRUE(peer.WaitForDiscovers(refused + 2, 8s)) << "a pending authorisation must not stop the search";
  EXPECT_TRUE(peer.Commands().empty()) << "nothing is sent before an attach succeeds";
  for (const skype_peer::DiscoverRecord& discover : peer.Discovers()) EXPECT_EQ(discover.client, program.Window());

  peer.SetDiscoverAnswer(skype_peer::kAttachSuccess);
  ASSERT_TRUE(WaitForCommand("SEARCH ACTIVECALLS", 8s)) << "the granted attach was not taken";
  const Calls texts = CommandTexts();
  ASSERT_GE(texts.size(), 5u);
  EXPECT_EQ(Calls(texts.begin(), texts.begin() + 5),
            (Calls{"FOCUS/6", "SET AUDIO_IN /14", "SET AUDIO_OUT /15", "SET RINGER /12", "SEARCH ACTIVECALLS/19"}));
  ExpectCleanEnd(kKeptUserValue);
}

TEST_F(FaultTest, FiftySecondInstancesEachEndAtOnceAndLeaveTheFirstAlone) {
  StartAttached();
  const HWND window = program.Window();
  const std::string exe = program.Folder() + "\\KPRT5.exe";
  const auto started = Clock::now();
  for (int i = 0; i < 50; ++i) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION second{};
    std::string commandLine = "\"" + exe + "\"";
    ASSERT_TRUE(CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               program.Folder().c_str(), &startup, &second));
    const DWORD waited = WaitForSingleObject(second.hProcess, 10000);
    DWORD code = 1;
    GetExitCodeProcess(second.hProcess, &code);
    CloseHandle(second.hThread);
    CloseHandle(second.hProcess);
    ASSERT_EQ(waited, static_cast<DWORD>(WAIT_OBJECT_0)) << "second instance " << i << " kept running";
    EXPECT_EQ(code, 0u);
  }
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
  std::printf("50 second instances in %lld ms\n", static_cast<long long>(took.count()));
  RecordProperty("second_instances_ms", static_cast<int>(took.count()));

  EXPECT_TRUE(Running());
  EXPECT_EQ(FindProgramWindow(program.ProcessId()), window);
  EXPECT_EQ(TrayIconCount(), 1);
  Settle();
  EXPECT_TRUE(handset.WaitForMonitor(true, 1s)) << "the first instance's monitor must still watch";
  ASSERT_TRUE(peer.AddIncomingCall("21"));
  ASSERT_TRUE(WaitForCallList("CALLS 21", 8s));
  ExpectLiftAnswers("21");
  ExpectCleanEnd(kKeptUserValue);
}

TEST_F(FaultTest, TaskbarCreatedFiftyTimesKeepsExactlyOneIcon) {
  StartProgram();
  ASSERT_TRUE(WaitUntil([] { return TrayIconCount() == 1; }));
  const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  ASSERT_NE(taskbarCreated, 0u);
  for (int i = 0; i < 50; ++i) PostMessageA(HWND_BROADCAST, taskbarCreated, 0, 0);
  Settle();
  EXPECT_EQ(TrayIconCount(), 1);
  EXPECT_TRUE(Running());
  ExpectCleanEnd(kKeptUserValue);
  EXPECT_TRUE(WaitUntil([] { return TrayIconCount() == 0; })) << "the icon must be gone after the end";
}

TEST_F(FaultTest, HandsetUnpluggedAndPluggedAHundredTimesDuringACall) {
  StartAttached();
  ASSERT_TRUE(peer.AddIncomingCall("12"));
  ASSERT_TRUE(WaitForCallList("CALLS 12", 8s));
  for (int i = 0; i < 100; ++i) {
    handset.Unplug();
    handset.Plug();
  }
  ASSERT_TRUE(handset.IsPlugged());
  Settle();
  EXPECT_TRUE(Running());
  EXPECT_TRUE(handset.WaitForMonitor(true, 1s));
  ExpectLiftAnswers("12");
  ExpectCleanEnd(kKeptUserValue);
}

TEST_F(FaultTest, NotificationFloodsFromSkypeAndFromAStrangerLeaveTheProgramAnswering) {
  StartAttached();
  ASSERT_TRUE(peer.AddIncomingCall("12"));
  ASSERT_TRUE(WaitForCallList("CALLS 12", 8s));
  peer.SetSilent(true);  // no call list mends what a flood might change
  Settle();

  // Up to ten thousand from each side, as fast as the desktop carries them (aimed at 10 000 a
  // second; under Wine a RINGING from Skype costs the handset's indicator and level calls, so the
  // budget, not the count, ends that flood).
  constexpr int kFlood = 10000;
  constexpr auto kBudget = 5s;
  const std::string skypeText = "CALL 12 STATUS RINGING";
  const std::string strangerText = "CALL 12 STATUS FINISHED";
  const auto flood = [&](HWND from, const std::string& text, const char* name) {
    const std::vector<std::uint8_t> bytes(text.c_str(), text.c_str() + text.size() + 1);
    int sent = 0;
    int accepted = 0;
    const auto started = Clock::now();
    for (; sent < kFlood && Clock::now() - started < kBudget; ++sent)
      if (skype_peer::SendCopyDataRaw(program.Window(), from, bytes, static_cast<std::uint32_t>(bytes.size()), false,
                                      0, 5s)
              .Accepted())
        ++accepted;
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
    const long long rate = took.count() > 0 ? sent * 1000LL / took.count() : sent * 1000LL;
    std::printf("flood from %s: %d notifications in %lld ms (%lld a second)\n", name, sent,
                static_cast<long long>(took.count()), rate);
    RecordProperty(std::string("flood_") + name + "_per_second", static_cast<int>(rate));
    return std::pair{sent, accepted};
  };

  const auto [fromSkype, acceptedFromSkype] = flood(peer.Window(), skypeText, "skype");
  EXPECT_EQ(acceptedFromSkype, fromSkype) << "every notification from Skype's window is answered 1";
  skype_peer::ForeignWindow stranger;
  const auto [fromStranger, acceptedFromStranger] = flood(stranger.Window(), strangerText, "stranger");
  EXPECT_GT(fromStranger, 0);
  EXPECT_EQ(acceptedFromStranger, 0) << "a stranger's text must get default processing";
  EXPECT_TRUE(Running());

  // The stranger's FINISHED changed nothing: the hook key still answers call 12.
  peer.SetSilent(false);
  ExpectLiftAnswers("12");
  ExpectCleanEnd(kKeptUserValue);
}

struct UserValueCase {
  const char* name;
  RawValue before;
  bool kept;  // otherwise replaced by the middleware's path
};

class FaultUserValueTest : public FaultTest, public ::testing::WithParamInterface<UserValueCase> {};

TEST_P(FaultUserValueTest, OddPerUserValueIsKeptWhenItFitsTheAreaElseReplaced) {
  const UserValueCase& c = GetParam();
  SetRawValue(HKEY_CURRENT_USER, c.before);
  StartProgram();
  const std::optional<RawValue> after = ReadRawValue(HKEY_CURRENT_USER);
  ASSERT_TRUE(after.has_value()) << "the per-user value was lost";
  EXPECT_EQ(*after, c.kept ? c.before : Text(kMiddlewarePath));
  EXPECT_FALSE(program.WaitForExit(1500ms)) << "an odd per-user value must not end the program";
  const std::size_t before = handset.Log().size();
  ASSERT_TRUE(program.Exit());
  ExpectHandedBackAfter(before);
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER), after) << "the end changed the per-user value";
}

// The program reads the value into a 256-byte area whatever its type: what fits is kept.
INSTANTIATE_TEST_SUITE_P(
    Values, FaultUserValueTest,
    ::testing::Values(UserValueCase{"DwordKept", {REG_DWORD, {1, 0, 0, 0}}, true},
                      UserValueCase{"EmptyBinaryKept", {REG_BINARY, {}}, true},
                      UserValueCase{"BinaryOf256Kept", {REG_BINARY, std::vector<std::uint8_t>(256, 0xA5)}, true},
                      UserValueCase{"BinaryOf300Replaced", {REG_BINARY, std::vector<std::uint8_t>(300, 0xA5)}, false},
                      UserValueCase{"TextOf300Replaced", Text(std::string(299, 'u')), false}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// Every value of the machine-wide Run key, to put back after a scenario that deletes the key.
class SavedMachineRunKey {
 public:
  SavedMachineRunKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    for (DWORD i = 0;; ++i) {
      char name[512] = {};
      DWORD nameSize = sizeof name;
      Saved value;
      value.raw.bytes.resize(8192);
      DWORD size = static_cast<DWORD>(value.raw.bytes.size());
      if (RegEnumValueA(key, i, name, &nameSize, nullptr, &value.raw.type, value.raw.bytes.data(), &size) !=
          ERROR_SUCCESS)
        break;
      value.name = name;
      value.raw.bytes.resize(size);
      values_.push_back(value);
    }
    RegCloseKey(key);
  }
  ~SavedMachineRunKey() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return;
    for (const Saved& value : values_)
      RegSetValueExA(key, value.name.c_str(), 0, value.raw.type, value.raw.bytes.data(),
                     static_cast<DWORD>(value.raw.bytes.size()));
    RegCloseKey(key);
  }
  SavedMachineRunKey(const SavedMachineRunKey&) = delete;
  SavedMachineRunKey& operator=(const SavedMachineRunKey&) = delete;

 private:
  struct Saved {
    std::string name;
    RawValue raw;
  };
  std::vector<Saved> values_;
};

TEST_F(FaultTest, MachineRunKeyThatCannotBeOpenedKeepsTheProgramRunning) {
  const SavedMachineRunKey saved;
  StartProgram();
  ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRunKey), ERROR_SUCCESS);
  // Timer 3 ticks every second: several ticks pass without the program ending.
  EXPECT_FALSE(program.WaitForExit(3500ms)) << "a key that cannot be opened is no uninstall";
  EXPECT_EQ(TrayIconCount(), 1);
  ExpectCleanEnd(kKeptUserValue);
}

TEST_F(FaultTest, MachineValueOfAnOddTypeFittingTheAreaKeepsItRunningALargerOneEndsItHandingBack) {
  SetRawValue(HKEY_LOCAL_MACHINE, {REG_DWORD, {7, 0, 0, 0}});
  StartProgram();
  EXPECT_FALSE(program.WaitForExit(2500ms)) << "a value that fits the area means installed, whatever its type";

  const std::size_t before = handset.Log().size();
  SetRawValue(HKEY_LOCAL_MACHINE, {REG_BINARY, std::vector<std::uint8_t>(300, 0x6D)});
  ASSERT_TRUE(program.WaitForExit(5s)) << "a value larger than the area reads as uninstalled";
  EXPECT_EQ(program.ExitCode(), 0u);
  ExpectHandedBackAfter(before);
  EXPECT_EQ(ReadUserAutostartValue(), kKeptUserValue);
  EXPECT_TRUE(WaitUntil([] { return TrayIconCount() == 0; }));
}

}  // namespace
}  // namespace e2e
